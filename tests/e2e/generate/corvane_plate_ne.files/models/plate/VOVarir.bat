nastran nastran.ini plate.nas
