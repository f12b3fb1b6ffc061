FEMAPSIM 1
# A cantilever block (inches, pounds): two bricks along X, 4 x 1 x 1 each, clamped at X = 0,
# and a tetrahedron on the free end, loaded down at its tip and along X on the end face.
model title="Solid block" activeLoadSet=1 activeBCSet=1
node 1 x=0 y=0 z=0
node 2 x=4 y=0 z=0
node 3 x=4 y=1 z=0
node 4 x=0 y=1 z=0
node 5 x=0 y=0 z=1
node 6 x=4 y=0 z=1
node 7 x=4 y=1 z=1
node 8 x=0 y=1 z=1
node 9 x=8 y=0 z=0
node 10 x=8 y=1 z=0
node 11 x=8 y=0 z=1
node 12 x=8 y=1 z=1
node 13 x=9 y=0.5 z=0.5
matl 1 title="Aluminium" Ex=1e7 Nuxy=0.33 Density=0.1
prop 1 type=25 title="Solid" matlID=1
elem 1 type=25 topology=8 propID=1 node=1,2,3,4,5,6,7,8
elem 2 type=25 topology=8 propID=1 node=2,9,10,3,6,11,12,7
elem 3 type=25 topology=6 propID=1 node=9,10,11,13
loadset 1 title="Tip load"
loaddef 1 setID=1 title="Tip force" loadType=1 dataType=13
loadmesh 1 setID=1 LoadDefinitionID=1 meshID=13 type=1 subtype=0 value=0,0,-100,0 FaceNumber=0
loadmesh 2 setID=1 LoadDefinitionID=1 meshID=12 type=1 subtype=0 value=250,0,0,0 FaceNumber=0
bcset 1 title="Clamped root"
bcnode 1 setID=1 dof=1,1,1,0,0,0
bcnode 4 setID=1 dof=1,1,1,0,0,0
bcnode 5 setID=1 dof=1,1,1,0,0,0
bcnode 8 setID=1 dof=1,1,1,0,0,0
