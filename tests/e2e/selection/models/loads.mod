FEMAPSIM 1
# Load definitions for the input selection scenarios: a force with three loads, radiation,
# convection, a geometry moment whose title holds characters the names drop, nodal
# temperatures, a definition of an unsupported data type and one of a load type no component
# prefix belongs to.
model title="Loads" activeLoadSet=1
node 1 x=0 y=0 z=0
node 2 x=10 y=0 z=0
node 3 x=10 y=10 z=0
node 4 x=0 y=10 z=0
loadset 1 title="Case"
loaddef 7 setID=1 title="Pull" loadType=1 dataType=13
loaddef 8 setID=1 title="Sky radiation" loadType=46 dataType=13
loaddef 9 setID=1 title="Air cooling" loadType=45 dataType=13
loaddef 10 setID=1 title="Body heat" loadType=11 dataType=17
loaddef 11 setID=1 title="Odd load" loadType=99 dataType=13
loaddef 12 setID=1 title="Top-edge, v1.2 [kN/m]" loadType=2 dataType=14
loaddef 13 setID=1 title="Node temps" loadType=11 dataType=15
loaddef 14 setID=1 title="Heat flux" loadType=10 dataType=17
loadmesh 1 setID=1 LoadDefinitionID=7 meshID=1 type=1 subtype=0 value=10,1,0.5,0
loadmesh 2 setID=1 LoadDefinitionID=7 meshID=2 type=1 subtype=0 value=20,2,1.5,0
loadmesh 3 setID=1 LoadDefinitionID=7 meshID=3 type=1 subtype=0 value=30,3,-2.5,0
loadmesh 4 setID=1 LoadDefinitionID=8 meshID=1 type=46 subtype=0 value=0.8,0.6,300,0.25
loadmesh 5 setID=1 LoadDefinitionID=9 meshID=2 type=45 subtype=0 value=15,293,0,0
loadmesh 6 setID=1 LoadDefinitionID=11 meshID=4 type=99 subtype=0 value=1,2,3,4
loadgeom 1 setID=1 LoadDefinitionID=12 geomID=3 geomType=1 type=2 subtype=0 value=-7.5,0,0,0
nodetemp 1 setID=1 LoadDefinitionID=13 meshID=1 temp=20 phase=0
nodetemp 2 setID=1 LoadDefinitionID=13 meshID=4 temp=35.5 phase=0
