#pragma once
// The commands of the `femapsim` tool, which looks into model files without FEMAP:
//   femapsim check MODEL        the faults of a model file (file, line, reason); exit 1 on one
//   femapsim dump MODEL         the normalised model
//   femapsim mass MODEL         mass properties over all elements, one quantity a line
//   femapsim deck MODEL DECK    the Nastran deck of the model
//   femapsim results MODEL FILE reads a results file (OUTPUT2, neutral or own grammar) into the
//                               model and saves it
//   femapsim op2dump FILE       the tables of an OUTPUT2 file: names, IDENT fields, entries
//   femapsim import FILE MODEL  a Nastran deck or a FEMAP neutral model file (as its first line
//                               says) as a model file; says what it passed through unread

#include <ostream>
#include <string>
#include <vector>

namespace femapsim {

int runToolCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace femapsim
