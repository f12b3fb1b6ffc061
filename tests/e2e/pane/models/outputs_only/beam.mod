FEMAPSIM 1
# A two-node model for the pane scenarios.
model title="Beam"
node 1 x=0 y=0 z=0
node 2 x=1 y=0 z=0
