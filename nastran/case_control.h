#pragma once
// Executive control and case control: the two sections before BEGIN BULK.
//
// Case control statements above the first SUBCASE are the defaults of every subcase (and the
// one case of a deck without SUBCASE); a subcase's own statements win over them. A command may
// be shortened to its first four letters (DISP, STRE, SPCF). A statement ending in a comma goes
// on on the next line (SET lists), except TITLE, SUBTITLE and LABEL, whose text is taken as it
// stands. Everything after OUTPUT(PLOT) or OUTPUT(XYPLOT) is kept as written.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/deck_error.h"

namespace nastran {

// A statement as written: without its comment and surrounding blanks.
struct Statement {
  std::string text{};
  Location at{};
  friend bool operator==(const Statement& a, const Statement& b) { return a.text == b.text; }
};

// SOL 101, or SOL SESTATIC: the number and the name, each filled in from the other where
// Nastran defines both.
struct Solution {
  std::optional<int> number{};
  std::string name{};
  Location at{};
  friend bool operator==(const Solution& a, const Solution& b) { return a.number == b.number && a.name == b.name; }
};

// The solution sequence named `name` ("SESTATIC" is 101), and the name of a number.
std::optional<int> solutionNumber(std::string_view name);
std::string_view solutionName(int number);

struct ExecutiveControl {
  std::vector<Statement> statements{};  // every statement but SOL, in order
  std::optional<Solution> solution{};
  std::size_t solutionPosition = 0;  // SOL stands before statements[solutionPosition]
  friend bool operator==(const ExecutiveControl&, const ExecutiveControl&) = default;
};

// SET n = 1 THRU 10 EXCEPT 5, 20, 30 THRU 40 BY 2 (or ALL, or a list of reals).
struct CaseSet {
  struct Range {
    int first = 0, last = 0, by = 1;
    std::vector<int> except{};
    friend bool operator==(const Range&, const Range&) = default;
  };
  int id = 0;
  bool all = false;
  std::vector<Range> ranges{};
  std::vector<double> reals{};  // a set of reals (frequencies, times)
  Location at{};
  bool contains(int value) const;
  friend bool operator==(const CaseSet& a, const CaseSet& b) {
    return a.id == b.id && a.all == b.all && a.ranges == b.ranges && a.reals == b.reals;
  }
};

// DISPLACEMENT(PLOT, SORT1) = ALL: an output request with its describers and what it covers.
struct OutputRequest {
  std::string name{};                     // the command in full: DISPLACEMENT, STRESS, SPCFORCES, ...
  std::vector<std::string> describers{};  // upper case, in order
  std::string target{};                   // "ALL", "NONE" or a set ID
  Location at{};
  std::optional<int> setId() const;
  friend bool operator==(const OutputRequest& a, const OutputRequest& b) {
    return a.name == b.name && a.describers == b.describers && a.target == b.target;
  }
};

struct Subcase {
  int id = 0;  // 0: the statements above the first SUBCASE
  Location at{};
  std::optional<std::string> title{}, subtitle{}, label{};  // as written
  std::optional<int> load{}, spc{}, mpc{}, method{};
  std::optional<int> temperatureLoad{}, temperatureInitial{}, temperatureMaterial{};
  std::vector<CaseSet> sets{};
  std::vector<OutputRequest> outputs{};
  std::vector<Statement> others{};  // every other statement, as written
  // Where each selection was made: "LOAD", "SPC", "MPC", "METHOD", "TEMPERATURE(LOAD)",
  // "TEMPERATURE(INITIAL)", "TEMPERATURE(MATERIAL)".
  std::map<std::string, Location, std::less<>> selectionAt{};
  Location locationOf(std::string_view selection) const;
  const CaseSet* findSet(int id) const;
  const OutputRequest* findOutput(std::string_view name) const;
  friend bool operator==(const Subcase& a, const Subcase& b) {
    return a.id == b.id && a.title == b.title && a.subtitle == b.subtitle && a.label == b.label &&
           a.load == b.load && a.spc == b.spc && a.mpc == b.mpc && a.method == b.method &&
           a.temperatureLoad == b.temperatureLoad && a.temperatureInitial == b.temperatureInitial &&
           a.temperatureMaterial == b.temperatureMaterial && a.sets == b.sets && a.outputs == b.outputs &&
           a.others == b.others;
  }
};

struct CaseControl {
  Subcase global{};
  std::vector<Subcase> subcases{};  // in the order of the deck, IDs increasing
  std::vector<Statement> plotPackets{};  // OUTPUT(PLOT) and what follows, as written
  // `subcase` with what it leaves unsaid taken from the statements above the first SUBCASE.
  Subcase effective(const Subcase& subcase) const;
  // Every subcase so completed; a deck without SUBCASE has one, subcase 1.
  std::vector<Subcase> effectiveSubcases() const;
  friend bool operator==(const CaseControl&, const CaseControl&) = default;
};

// Reads the case control statements (the lines between CEND and BEGIN BULK, comments already
// cut). Throws DeckError for a statement it cannot take (a selection that is no set ID, a SET
// list it cannot read, SUBCASE IDs out of order).
class CaseControlReader {
 public:
  explicit CaseControlReader(const std::vector<std::string>& files) : files_(files) {}
  void add(std::string_view line, Location at);
  CaseControl finish();

 private:
  void statement(const std::string& text, Location at);
  [[noreturn]] void fail(Location at, const std::string& subject, const std::string& reason) const;

  const std::vector<std::string>& files_;
  CaseControl control_;
  Subcase* current_ = &control_.global;
  std::string pending_;  // a statement continued on the next line
  Location pendingAt_;
  bool plotting_ = false;
};

}  // namespace nastran
