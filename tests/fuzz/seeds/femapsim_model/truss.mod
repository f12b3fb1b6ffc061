FEMAPSIM 1
# The classic ten-bar truss (inches, pounds): six nodes in the XY plane, ten rods with a
# property each, nodes 5 and 6 fixed, 100,000 lb downward at nodes 2 and 4. Nodes 1 to 4
# are held out of plane, so the truss carries its load in the plane.
model title="Ten-bar truss" activeLoadSet=1 activeBCSet=1
node 1 x=720 y=360 z=0
node 2 x=720 y=0 z=0
node 3 x=360 y=360 z=0
node 4 x=360 y=0 z=0
node 5 x=0 y=360 z=0
node 6 x=0 y=0 z=0
matl 1 title="Aluminium" Ex=1e7 Nuxy=0.3 Density=0.1
prop 1 type=1 title="Rod 1" matlID=1 pval=1
prop 2 type=1 title="Rod 2" matlID=1 pval=1
prop 3 type=1 title="Rod 3" matlID=1 pval=1
prop 4 type=1 title="Rod 4" matlID=1 pval=1
prop 5 type=1 title="Rod 5" matlID=1 pval=1
prop 6 type=1 title="Rod 6" matlID=1 pval=1
prop 7 type=1 title="Rod 7" matlID=1 pval=1
prop 8 type=1 title="Rod 8" matlID=1 pval=1
prop 9 type=1 title="Rod 9" matlID=1 pval=1
prop 10 type=1 title="Rod 10" matlID=1 pval=1
elem 1 type=1 topology=0 propID=1 node=5,3
elem 2 type=1 topology=0 propID=2 node=3,1
elem 3 type=1 topology=0 propID=3 node=6,4
elem 4 type=1 topology=0 propID=4 node=4,2
elem 5 type=1 topology=0 propID=5 node=3,4
elem 6 type=1 topology=0 propID=6 node=1,2
elem 7 type=1 topology=0 propID=7 node=5,4
elem 8 type=1 topology=0 propID=8 node=6,3
elem 9 type=1 topology=0 propID=9 node=3,2
elem 10 type=1 topology=0 propID=10 node=4,1
loadset 1 title="Tip loads"
loaddef 1 setID=1 title="Downward load" loadType=1 dataType=13
loadmesh 1 setID=1 LoadDefinitionID=1 meshID=2 type=1 subtype=0 value=0,-100000,0,0
loadmesh 2 setID=1 LoadDefinitionID=1 meshID=4 type=1 subtype=0 value=0,-100000,0,0
bcset 1 title="Supports"
bcnode 1 setID=1 dof=0,0,1,1,1,1
bcnode 2 setID=1 dof=0,0,1,1,1,1
bcnode 3 setID=1 dof=0,0,1,1,1,1
bcnode 4 setID=1 dof=0,0,1,1,1,1
bcnode 5 setID=1 dof=1,1,1,1,1,1
bcnode 6 setID=1 dof=1,1,1,1,1,1
