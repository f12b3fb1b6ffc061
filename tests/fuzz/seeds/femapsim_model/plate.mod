FEMAPSIM 1
# A small plate (millimetres, newtons, tonnes): a 20 x 20 square of four quadrilaterals in
# two plate properties, a stiffening rod along the free edge, one material, a temperature
# function, a load set with mesh and geometry loads and temperatures, and one result set.
model title="Plate example" activeLoadSet=1 activeBCSet=1 activeOutputSet=1
node 1 x=0 y=0 z=0
node 2 x=10 y=0 z=0
node 3 x=20 y=0 z=0
node 4 x=0 y=10 z=0
node 5 x=10 y=10 z=0
node 6 x=20 y=10 z=0
node 7 x=0 y=20 z=0
node 8 x=10 y=20 z=0
node 9 x=20 y=20 z=0
matl 1 title="Steel" Ex=210000 Nuxy=0.3 Density=7.85e-09 Alphaxx=1.2e-05 RefTemp=20
prop 1 type=17 title="Plate 1 mm" matlID=1 pval=1
prop 2 type=17 title="Plate 2 mm" matlID=1 pval=2,0,0,0,0,0,0,1e-06
prop 3 type=1 title="Edge rod" matlID=1 pval=4.5,0,0,0,1.2
elem 1 type=17 topology=4 propID=1 node=1,2,5,4
elem 2 type=17 topology=4 propID=1 node=2,3,6,5
elem 3 type=17 topology=4 propID=2 node=4,5,8,7
elem 4 type=17 topology=4 propID=2 node=5,6,9,8
elem 5 type=1 topology=0 propID=3 node=3,9
func 1 title="Temperature curve" type=1 x=0,1,2 y=20,30,45
func 2 title="Scale factor" type=1 x=0,10 y=-1.5,0.00001
loadset 1 title="Load case 1" BodyAccel=0,0,-9810,0,0,0 BodyDefTemp=20
loaddef 1 setID=1 title="Edge Load [1]" loadType=1 dataType=13
loaddef 2 setID=1 title="Face pressure" loadType=13 dataType=13
loaddef 3 setID=1 title="Corner moment" loadType=2 dataType=14
loaddef 4 setID=1 title="Element temperatures" loadType=11 dataType=16
loaddef 5 setID=1 title="Nodal temperatures" loadType=11 dataType=15
loadmesh 1 setID=1 LoadDefinitionID=1 meshID=3 type=1 subtype=0 value=100,0,0,0 FaceNumber=0
loadmesh 2 setID=1 LoadDefinitionID=1 meshID=6 type=1 subtype=0 value=200,0,0,0 FaceNumber=0
loadmesh 3 setID=1 LoadDefinitionID=1 meshID=9 type=1 subtype=0 value=100,0,-50,0 FaceNumber=0
loadmesh 4 setID=1 LoadDefinitionID=2 meshID=2 type=13 subtype=0 value=0.5,0,0,0 FaceNumber=1
loadgeom 1 setID=1 LoadDefinitionID=3 geomID=3 geomType=1 type=2 subtype=0 value=0,0,-5,0
elemtemp 1 setID=1 LoadDefinitionID=4 meshID=1 temp=80 phase=0
elemtemp 2 setID=1 LoadDefinitionID=4 meshID=2 temp=85 phase=0
nodetemp 1 setID=1 LoadDefinitionID=5 meshID=1 temp=20 phase=0
nodetemp 2 setID=1 LoadDefinitionID=5 meshID=4 temp=25 phase=0
bcset 1 title="Clamped edge"
bcnode 1 setID=1 dof=1,1,1,1,1,1
bcnode 4 setID=1 dof=1,1,1,1,1,1
bcnode 7 setID=1 dof=1,1,1,1,1,1
outset 1 title="Case 1"
outvec 1 setID=1 title="Total Translation" entity=1,2,3,4,5,6,7,8,9 value=0,0.0012,0.0031,0,0.0013,0.0033,0,0.0012,0.0032
outvec 2 setID=1 title="T1 Translation" entity=1,2,3,4,5,6,7,8,9 value=0,0.0012,0.0030,0,0.0013,0.0032,0,0.0012,0.0031
outvec 3 setID=1 title="T2 Translation" entity=1,2,3,4,5,6,7,8,9 value=0,0,0.0001,0,0,0.0002,0,0,0.0001
outvec 4 setID=1 title="T3 Translation" entity=1,2,3,4,5,6,7,8,9 value=0,-0.0001,-0.0007,0,-0.0001,-0.0008,0,-0.0001,-0.0006
outvec 3022 setID=1 title="Rod Axial Stress" entity=5 value=12.5
outvec 7033 setID=1 title="Plate VonMises Stress" entity=1,2,3,4 value=21.5,18.25,10.75,9.5
