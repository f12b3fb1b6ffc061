FEMAPSIM 1
# Entities for the input selection scenarios: properties of several types, a material with
# two compression limits, an element with its orientation, a node with a seven-digit ID.
model title="Entities"
node 1 x=0 y=0 z=0
node 2 x=10 y=0 z=0
node 3 x=10 y=10 z=0
node 4 x=0 y=10 z=0
node 25 x=2.5 y=-1 z=0.125
node 1000000 x=1000000 y=0 z=0
matl 1 title="Steel" Ex=210000 Nuxy=0.3 Density=7.85e-09 CompressionLimit1=150 CompressionLimit2=250
prop 3 type=17 title="Skin" matlID=1 pval=1.5,0,0,0,0,0,0,0.002 Color=110
prop 5 type=2 title="Stringer" matlID=1 pval=12,100,50,0,80,0.85,0.75,0.5
prop 12 type=18 title="Web" matlID=1 pval=2,0,0,0,0,0,0,0.004
prop 20 type=11 title="Panel A" matlID=1 pval=1 refCS=2
prop 21 type=12 title="Panel B" matlID=1 pval=1 refCS=3
prop 30 type=25 title="Block" matlID=1 Color=12
prop 40 type=1 title="Tie" matlID=1 pval=3.5,0,0,0,0.2,0.1,0,0.01,500
prop 41 type=5 title="Spar" matlID=1 pval=20,400,300,10,900,0.8,0.7,0.9
elem 1 type=17 topology=4 propID=3 node=1,2,3,4 orient=0,0.5,1 orientID=7 geomID=4
