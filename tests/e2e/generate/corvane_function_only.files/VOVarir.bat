nastran plate.dat notify=no
