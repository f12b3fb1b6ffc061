FEMAPSIM 1
# A model without functions.
model title="No functions"
node 1 x=0 y=0 z=0
