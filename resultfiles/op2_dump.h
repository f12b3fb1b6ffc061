#pragma once
// A readable listing of an OUTPUT2 file: the header, then every table with its trailer and,
// for results tables, each subtable's IDENT fields and entries (decoded for the displacement
// and stress layouts that op2_tables.h knows, counted for others).

#include <string>
#include <string_view>

namespace resultfiles {

// Throws FormatError like readOp2.
std::string dumpOp2(std::string_view bytes, const std::string& fileName);

}  // namespace resultfiles
