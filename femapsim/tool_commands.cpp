#include "femapsim/tool_commands.h"

#include <array>

#include "femapsim/application.h"
#include "femapsim/nastran_model.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_model.h"
#include "nastran/deck_error.h"
#include "resultfiles/op2_dump.h"
#include "support/text_file.h"

namespace femapsim {
namespace {

constexpr const char* kUsage =
    "usage: femapsim check MODEL | dump MODEL | mass MODEL | deck MODEL DECK | results MODEL FILE | op2dump FILE"
    " | import DECK|NEUTRAL MODEL\n";

void printQuantity(std::ostream& out, const char* name, std::initializer_list<double> values) {
  out << name;
  for (double value : values) out << ' ' << formatModelNumber(value);
  out << '\n';
}

template <std::size_t N>
void printQuantity(std::ostream& out, const char* name, const std::array<double, N>& values) {
  out << name;
  for (double value : values) out << ' ' << formatModelNumber(value);
  out << '\n';
}

void printMass(std::ostream& out, const MassProperties& mass) {
  printQuantity(out, "Length", {mass.length});
  printQuantity(out, "Area", {mass.area});
  printQuantity(out, "Volume", {mass.volume});
  printQuantity(out, "MassStructural", {mass.structuralMass});
  printQuantity(out, "MassNonStructural", {mass.nonStructuralMass});
  printQuantity(out, "MassTotal", {mass.totalMass});
  printQuantity(out, "StructuralCG", mass.structuralCG);
  printQuantity(out, "NonStructuralCG", mass.nonStructuralCG);
  printQuantity(out, "TotalCG", mass.totalCG);
  printQuantity(out, "Inertia", mass.inertia);
  printQuantity(out, "InertiaCG", mass.inertiaCG);
}

// A FEMAP neutral file opens with a block start, "-1" alone on its first line.
bool isNeutralFile(const std::string& text) {
  std::size_t end = text.find('\n');
  std::string_view first = std::string_view(text).substr(0, end);
  while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.remove_suffix(1);
  while (!first.empty() && first.front() == ' ') first.remove_prefix(1);
  return first == "-1";
}

// A deck or neutral model file as a model file; what was passed over is said on `out`.
void importModel(const std::string& source, const std::string& target, std::ostream& out) {
  std::string text = support::readWholeFile(source);
  Model model;
  if (isNeutralFile(text)) {
    std::vector<int> passed;
    model = readNeutralModel(text, source, &passed);
    if (!passed.empty()) {
      out << source << ": " << passed.size() << (passed.size() == 1 ? " block" : " blocks") << " passed over:";
      for (int block : passed) out << ' ' << block;
      out << '\n';
    }
  } else {
    text.clear();
    text.shrink_to_fit();
    NastranRead read = readNastranModel(source, Model());
    model = std::move(read.model);
    if (!read.unread.empty()) out << source << ": " << read.unread << '\n';
  }
  saveModelFile(model, target);
}

}  // namespace

int runToolCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.size() < 2) {
    err << kUsage;
    return 2;
  }
  const std::string& command = arguments[0];
  const std::string& modelPath = arguments[1];
  bool twoFiles = command == "deck" || command == "results" || command == "import";
  if (!(twoFiles ? arguments.size() == 3
                 : command == "check" || command == "dump" || command == "mass" || command == "op2dump")) {
    err << kUsage;
    return 2;
  }
  try {
    if (command == "op2dump") {
      if (arguments.size() != 2) {
        err << kUsage;
        return 2;
      }
      out << resultfiles::dumpOp2(support::readWholeFile(modelPath), modelPath);
      return 0;
    }
    if (command == "import") {
      importModel(modelPath, arguments[2], out);
      return 0;
    }
    if (command == "results") {
      auto application = std::make_shared<Application>();
      if (application->openModel(modelPath) != -1 || application->readResults(arguments[2]) != -1 ||
          application->saveModel() != -1) {
        err << application->lastFailure() << '\n';
        return 1;
      }
      return 0;
    }
    if (command == "mass") {
      auto application = std::make_shared<Application>();
      if (application->openModel(modelPath) != -1) {
        err << application->lastFailure() << '\n';
        return 1;
      }
      printMass(out, application->measure(0));
      return 0;
    }
    Model model = loadModelFile(modelPath);
    if (command == "dump") out << formatModel(model);
    if (command == "deck") support::writeFileAtomically(arguments[2], formatNastranModelDeck(model));
    return 0;
  } catch (const ModelFileError& error) {
    err << error.what() << '\n';
    return 1;
  } catch (const nastran::DeckError& error) {
    err << error.what() << '\n';
    return 1;
  } catch (const std::exception& error) {
    err << "femapsim: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace femapsim
