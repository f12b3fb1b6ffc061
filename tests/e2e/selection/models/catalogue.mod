FEMAPSIM 1
# Output vectors in every ID range of the picker's catalogue, and one element of each kind:
# line (1), plate (17), solid (25), shear panel (11) and a type no output list belongs to (9).
model title="Catalogue" activeOutputSet=1
node 1 x=0 y=0 z=0
node 2 x=10 y=0 z=0
node 3 x=10 y=10 z=0
node 4 x=0 y=10 z=0
node 5 x=0 y=0 z=10
elem 11 type=1 topology=0 node=1,2
elem 12 type=17 topology=4 node=1,2,3,4
elem 13 type=25 topology=6 node=1,2,3,5
elem 14 type=11 topology=4 node=1,2,3,4
elem 15 type=9 topology=0 node=2,3
outset 1 title="Case 1"
outvec 1 setID=1 title="Total Translation" entity=1,2,3,4,5 value=0,1,2,3,4
outvec 2999 setID=1 title="Node Temperature" entity=1,2,3,4,5 value=20,21,22,23,24
outvec 3000 setID=1 title="Bar Axial Stress" entity=11 value=12.5
outvec 6000 setID=1 title="Plate Top VonMises" entity=12,14 value=31,32
outvec 60000 setID=1 title="Solid VonMises" entity=13 value=41
outvec 80000 setID=1 title="Strain Energy" entity=11,12,13,14,15 value=1,2,3,4,5
outvec 90000 setID=1 title="PATRAN Stress" entity=12 value=6
outvec 100000 setID=1 title="Corner Stress" entity=12 value=7
outvec 300000 setID=1 title="Beyond Every Range" entity=12 value=8
