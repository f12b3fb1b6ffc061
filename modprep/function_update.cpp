#include "modprep/function_update.h"

#include <algorithm>

#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "runtime/working_directory.h"
#include "support/number_text.h"
#include "support/text_file.h"

namespace modprep {
namespace {

using support::formatInteger;
using support::formatNumber;
using support::formatSignedInteger;

}  // namespace

FunctionUpdater::FunctionUpdater(runtime::Run& run) : run_(run) {}

void FunctionUpdater::obtainFunctionObject() {
  if (function_) return;
  if (auto created = run_.err.run([&] { return run_.femap().feFunction(); })) function_ = *created;
}

void FunctionUpdater::readFunctionsFromInputFile() {
  support::Err& err = run_.err;
  run_.log(" Start reading of Function data from function input file");
  run_.CheckError("At start of readFunctionsFromInputFile");
  obtainFunctionObject();

  const std::string path = run_.inWorkingDirectory(exchange::kFunctionsFile);
  if (!runtime::fileExists(path)) {
    // "Apply" always writes the file (empty without function variables): without it the
    // functions would silently keep their old points.
    run_.error(
        "FunctionsInputvalues.txt file not exist. Unable to update the Femap Function parameters");
    run_.CheckError("At the end of readFunctionsFromInputFile");
    return;
  }
  run_.log(" Start reading of File " + path);
  run_.CheckError("After getting the file " + path);
  auto text = err.run([&] { return support::readWholeFile(path); });
  if (!text) run_.fail();
  const exchange::FunctionsFile file = exchange::parseFunctionsFile(text ? *text : std::string());
  for (const exchange::FunctionBlock& block : file.blocks) applyBlock(block);
  if (file.endsInsideBlock) {
    err.raise("Input past end of file");
    run_.fail();
  }
  run_.CheckError("At the end of readFunctionsFromInputFile");
}

void FunctionUpdater::applyBlock(const exchange::FunctionBlock& block) {
  support::Err& err = run_.err;
  run_.log("Reading function details for function " + block.title);
  if (!block.headerError.empty()) {
    // Without its ID and count the block's points cannot be told from other lines.
    err.raise(block.headerError);
    run_.CheckError("Before fetching value for " + block.title);
    return;
  }
  run_.log("Fetching function details for Name = " + block.title + " ID = " + block.idLine +
           " Size = " + formatSignedInteger(block.count));
  run_.CheckError("Before fetching value for " + block.title);
  run_.log("Updated values for function are as follow: ");
  std::vector<double> x, y;
  for (const exchange::PointLine& line : block.lines) {
    if (line.point) {
      x.push_back(line.point->x);
      y.push_back(line.point->y);
      run_.log(formatNumber(line.point->x) + formatNumber(line.point->y));
    } else {
      err.raise(line.error);
    }
  }
  const bool whole = x.size() == static_cast<std::size_t>(block.count);
  if (block.pointsMissing() && !err.pending()) err.raise("Input past end of file");
  run_.CheckError("After fetching value for " + block.title);
  if (!whole) {
    run_.fail();
    return;
  }
  updateFunction(block.id, block.title, block.count, x, y);
}

void FunctionUpdater::updateFunction(std::int32_t id, const std::string& title, std::int32_t count,
                                     const std::vector<double>& x, const std::vector<double>& y) {
  support::Err& err = run_.err;
  obtainFunctionObject();
  run_.CheckError("at the start of updateFunction");
  const std::string idText = formatInteger(id);

  const auto exists = err.run([&] { return function_.call("Exist", id).asBool(); });
  if (!exists) {
    run_.fail();
    return;
  }
  if (!*exists) {
    run_.error("Function " + title + " with id " + formatSignedInteger(id) + " does not exists");
    return;
  }
  const auto got = err.run([&] { return function_.call("Get", id).asInt(); });
  if (!got || *got != femap::kOk) {
    run_.error(" Unable to fetch the value for function name = " + title + " id = " + idText +
               " Cant update the value");
    return;
  }
  // The point lists hold count + 1 entries; the points are entries 0 to count - 1.
  const std::size_t points =
      std::min({static_cast<std::size_t>(std::max(count, 0)), x.size(), y.size()});
  std::vector<double> xList(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(points));
  std::vector<double> yList(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(points));
  xList.push_back(0.0);
  yList.push_back(0.0);
  const auto replaced = err.run([&] {
    return function_
        .call("PutFunctionList", count, femap::Variant::fromDoubles(xList),
              femap::Variant::fromDoubles(yList))
        .asInt();
  });
  if (!replaced || *replaced != femap::kOk) {
    run_.error(" Unable to update the values for function name = " + title + " id = " + idText);
    return;
  }
  const auto stored = err.run([&] { return function_.call("Put", id).asInt(); });
  if (!stored || *stored != femap::kOk) {
    run_.log(" Unable to update the database for function name = " + title + " id = " + idText);
    run_.fail();
  }
}

}  // namespace modprep
