FEMAPSIM 1
# A model whose saved selection holds rows that FEMAP cannot deliver.
model title="Stale"
node 1 x=1.25 y=0 z=0
node 2 x=0 y=7.5 z=0
matl 1 title="Steel" Ex=210000
prop 1 type=17 title="Skin" matlID=1 pval=1.5
outset 1 title="Case 1"
outvec 1 setID=1 title="Total Translation" entity=1,2 value=0.5,0.75
