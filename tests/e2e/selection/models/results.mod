FEMAPSIM 1
# Results at nodes and at plate elements of two types (17 and 18) for the output selection
# scenarios; node 26 has no value in vector 1.
model title="Results" activeOutputSet=1
node 1 x=0 y=0 z=0
node 2 x=10 y=0 z=0
node 3 x=10 y=10 z=0
node 4 x=0 y=10 z=0
node 25 x=5 y=5 z=0
node 26 x=5 y=0 z=0
node 1000000 x=20 y=0 z=0
elem 1 type=17 topology=4 node=1,2,3,4
elem 2 type=18 topology=4 node=1,2,3,4
elem 3 type=17 topology=4 node=1,2,3,4
elem 4 type=18 topology=4 node=1,2,3,4
outset 1 title="Case 1"
outvec 1 setID=1 title="Total Translation" entity=1,2,3,4,25,1000000 value=0,0.1,0.2,0.3,0.0125,2.5
outvec 2 setID=1 title="T1-Disp" entity=1,2,3,4,25,26,1000000 value=0,0.1,0.15,0.2,-0.05,0.01,1.5
outvec 6000 setID=1 title="Plate Top VonMises" entity=1,2,3,4 value=11,22,33,44
