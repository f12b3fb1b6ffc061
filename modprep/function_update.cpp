#include "modprep/function_update.h"

#include <algorithm>

#include "femap/return_codes.h"
#include "modprep/function_inputs.h"
#include "runtime/working_directory.h"
#include "support/number_text.h"
#include "support/text_file.h"

namespace modprep {
namespace {

using support::formatInteger;
using support::formatNumber;
using support::formatSignedInteger;

// One block as read.
struct FunctionBlock {
  std::string idLine;
  std::string title;
  std::int32_t id = 0;
  std::int32_t count = 0;
  std::vector<double> x;
  std::vector<double> y;
};

}  // namespace

FunctionUpdater::FunctionUpdater(runtime::Run& run) : run_(run) {}

void FunctionUpdater::obtainFunctionObject() {
  if (function_) return;
  if (auto created = run_.err.run([&] { return run_.femap().feFunction(); })) function_ = *created;
}

void FunctionUpdater::readFunctionsFromInputFile(bool functionsExpected) {
  support::Err& err = run_.err;
  run_.log(" Start reading of Function data from function input file");
  run_.CheckError("At start of readFunctionsFromInputFile");
  obtainFunctionObject();

  const std::string path = run_.inWorkingDirectory(kFunctionInputFile);
  if (!runtime::fileExists(path)) {
    // Without function variables there is nothing to apply, and the run has not failed.
    run_.runLog().error(
        "FunctionsInputvalues.txt file not exist. Unable to update the Femap Function parameters");
    if (functionsExpected) run_.fail();
    run_.CheckError("At the end of readFunctionsFromInputFile");
    return;
  }
  run_.log(" Start reading of File " + path);
  run_.CheckError("After getting the file " + path);
  auto text = err.run([&] { return support::readWholeFile(path); });
  FunctionInputReader reader(text ? std::move(*text) : std::string());
  if (!text) run_.fail();

  while (reader.findBlock()) {
    FunctionBlock block;
    if (!err.run([&] {
          block.idLine = reader.readLine();
          block.title = reader.readLine();
        })) {
      run_.fail();
      break;
    }
    run_.log("Reading function details for function " + block.title);
    bool readable = err.run([&] {
      block.id = functionInteger(block.idLine);
      block.count = functionInteger(reader.readLine());
      if (block.count < 0)
        throw support::RuntimeError("Invalid point count " + formatInteger(block.count));
    });
    if (!readable) {
      // Without its ID and count the block's points cannot be told from other lines.
      run_.CheckError("Before fetching value for " + block.title);
      continue;
    }
    run_.log("Fetching function details for Name = " + block.title + " ID = " + block.idLine +
             " Size = " + formatSignedInteger(block.count));
    run_.CheckError("Before fetching value for " + block.title);
    run_.log("Updated values for function are as follow: ");
    for (std::int32_t j = 0; j < block.count && !reader.atEnd(); ++j) {
      std::string line = reader.readLine();
      if (auto point = err.run([&] { return functionPoint(line); })) {
        block.x.push_back(point->x);
        block.y.push_back(point->y);
        run_.log(formatNumber(point->x) + formatNumber(point->y));
      } else {
        readable = false;
      }
    }
    if (block.x.size() < static_cast<std::size_t>(block.count)) {
      readable = false;
      if (reader.atEnd() && !err.pending()) err.raise("Input past end of file");
    }
    run_.CheckError("After fetching value for " + block.title);
    if (!readable) {
      run_.fail();
      continue;
    }
    updateFunction(block.id, block.title, block.count, block.x, block.y);
  }
  run_.CheckError("At the end of readFunctionsFromInputFile");
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
