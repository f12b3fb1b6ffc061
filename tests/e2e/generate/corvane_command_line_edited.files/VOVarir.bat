nastran plate.dat notify=no scr=yes "mem=2gb"
