#include "settings.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "nastran/numbers.h"

namespace nastranccx {
namespace {

// Settings that only choose outputs, printing, databases or checks.
constexpr std::array<std::string_view, 30> kNeutralParams = {
    "POST",     "POSTEXT", "OGEOM",    "GRDPNT",   "PRTMAXIM", "MAXRATIO", "BAILOUT",  "NOCOMPS",
    "SRCOMPS",  "PATVER",  "NASPRT",   "PRGPST",   "PRTGPL",   "PRTBGPDT", "PRTEQXIN", "PRTGPDT",
    "PRTCSTM",  "OMID",    "SOFTEXIT", "DBALL",    "DBUP",     "USETPRT",  "PRTRESLT", "ECHOOFF",
    "TINY",     "NEWSEQ",  "OLDSEQ",   "SEQOUT",   "SPARSEDR", "SPARSEDM",
};

// Settings that are neutral at one value only: the value that leaves the answer as solved.
struct NeutralValue {
  std::string_view name, value;
};
constexpr std::array<NeutralValue, 6> kNeutralValues = {{
    {"AUTOSPC", "YES"},
    {"COUPMASS", "-1"},  // lumped mass, which gravity loads are made from
    {"LGDISP", "-1"},
    {"INREL", "0"},
    {"OUGCORD", "LOCAL"},
    {"K6ROT", ""},  // drilling stiffness: CalculiX's shells have no drilling mode to stiffen
}};

constexpr std::array<std::string_view, 6> kNeutralModelParams = {"HDF5", "H5INFO", "H5MDL", "H5NORDOF", "H5GM34",
                                                                   "PRTELAS"};

bool contains(auto const& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool sameNumber(std::string_view a, std::string_view b) {
  std::optional<double> first = nastran::parseReal(a), second = nastran::parseReal(b);
  return first && second && *first == *second;
}

}  // namespace

std::vector<std::string> checkSettings(const nastran::Deck& deck) {
  std::vector<std::string> ignored;
  auto note = [&](const std::string& name) {
    if (std::find(ignored.begin(), ignored.end(), name) == ignored.end()) ignored.push_back(name);
  };
  for (const nastran::Param& param : deck.bulk.params) {
    // WTMASS scales the mass, which only gravity loads use: it goes into the model (buildModel).
    if (param.name == "WTMASS") continue;
    if (contains(kNeutralParams, param.name)) {
      note(param.name);
      continue;
    }
    auto neutral = std::find_if(kNeutralValues.begin(), kNeutralValues.end(),
                                [&](const NeutralValue& entry) { return entry.name == param.name; });
    std::string value = param.values.empty() ? "" : param.values.front();
    bool matches = neutral != kNeutralValues.end() &&
                   (neutral->value.empty() || value == neutral->value || sameNumber(value, neutral->value));
    if (matches) {
      note(param.name);
      continue;
    }
    throw deck.errorAt(param.origin.at, "PARAM " + param.name,
                       neutral != kNeutralValues.end()
                           ? "the value " + value + " would change the answer and is not solved by nastran-ccx (only " +
                                 std::string(neutral->value) + " is)"
                           : "not solved by nastran-ccx (a parameter it does not know may change the answer)");
  }
  for (const nastran::PassedCard& card : deck.bulk.passed) {
    if (card.name != "MDLPRM") continue;
    // MDLPRM holds name-value pairs.
    for (std::size_t field = 0; field < card.fields.size(); field += 2) {
      const std::string& name = card.fields[field];
      if (name.empty()) continue;
      if (!contains(kNeutralModelParams, name))
        throw deck.errorAt(card.origin.at, "MDLPRM " + name,
                           "not solved by nastran-ccx (a model parameter it does not know may change the answer)");
      note("MDLPRM " + name);
    }
  }
  return ignored;
}

}  // namespace nastranccx
