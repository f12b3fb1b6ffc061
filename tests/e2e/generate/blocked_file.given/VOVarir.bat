nastran old.dat
