#pragma once
// A Nastran input deck read into typed cards: executive control, case control and the bulk data,
// every card with the file and line it came from.
//
//   nastran::Deck deck = nastran::readDeckFile("plate.dat");
//   nastran::requireConsistent(deck);               // cross_reference.h: missing grids, loops, ...
//   for (const nastran::Grid& grid : deck.bulk.grids) ...
//   if (!deck.unreadSummary().empty()) log(deck.unreadSummary());
//
// Reading throws DeckError at the first thing it cannot take: a line that is no card, a
// continuation without a card, a field that is not what the card needs, an INCLUDE that cannot
// be read or loops, a deck without CEND, BEGIN BULK or (unless allowed) ENDDATA.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/case_control.h"
#include "nastran/cards.h"
#include "nastran/line_source.h"

namespace nastran {

// The bulk data section: each kind of card in the order of the deck.
struct Bulk {
  std::vector<Grid> grids{};
  std::vector<Spoint> spoints{};
  std::vector<Cord1> cord1s{};
  std::vector<Cord2> cord2s{};

  std::vector<Crod> crods{};
  std::vector<Conrod> conrods{};
  std::vector<Cbar> cbars{};
  std::vector<Cbeam> cbeams{};
  std::vector<Cbush> cbushes{};
  std::vector<Celas1> celas1s{};
  std::vector<Celas2> celas2s{};
  std::vector<Plate> plates{};  // CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR
  std::vector<Cshear> cshears{};
  std::vector<Solid> solids{};  // CTETRA, CPENTA, CHEXA
  std::vector<Conm2> conm2s{};
  std::vector<Rbe2> rbe2s{};
  std::vector<Rbe3> rbe3s{};
  std::vector<Rbar> rbars{};

  std::vector<Prod> prods{};
  std::vector<Pbar> pbars{};
  std::vector<Pbarl> pbarls{};
  std::vector<Pbeam> pbeams{};
  std::vector<Pbeaml> pbeamls{};
  std::vector<Pbush> pbushes{};
  std::vector<Pelas> pelas{};
  std::vector<Pshell> pshells{};
  std::vector<Pcomp> pcomps{};  // PCOMP and PCOMPG
  std::vector<Pshear> pshears{};
  std::vector<Psolid> psolids{};

  std::vector<Mat1> mat1s{};
  std::vector<Mat2> mat2s{};
  std::vector<Mat8> mat8s{};
  std::vector<Mat9> mat9s{};

  std::vector<NodalLoad> nodalLoads{};    // FORCE, MOMENT
  std::vector<NodalLoad1> nodalLoad1s{};  // FORCE1, MOMENT1
  std::vector<Pload> ploads{};
  std::vector<Pload1> pload1s{};
  std::vector<Pload2> pload2s{};
  std::vector<Pload4> pload4s{};
  std::vector<Grav> gravs{};
  std::vector<LoadCombination> loads{};
  std::vector<Temp> temps{};
  std::vector<Tempd> tempds{};

  std::vector<Spc> spcs{};
  std::vector<Spc1> spc1s{};
  std::vector<SetUnion> spcadds{};
  std::vector<Spc> spcds{};  // SPCD
  std::vector<Mpc> mpcs{};
  std::vector<SetUnion> mpcadds{};
  std::vector<Param> params{};

  std::vector<PassedCard> passed{};  // every other card, in the order of the deck

  // Where the continuation lines of cards stand: for Origin::continuation k, entry k-1 holds the
  // number of continuation lines, then for each its first field and its line.
  std::vector<std::uint32_t> continuationLines{};
  // The line that field `field` of the card at `origin` stands on.
  std::uint32_t fieldLine(const Origin& origin, std::size_t field) const;

  friend bool operator==(const Bulk& a, const Bulk& b);
};

struct UnreadCards {
  std::string name{};
  std::size_t count = 0;
  Location first{};  // where the first of them stands
};

struct Deck {
  std::vector<std::string> files{};  // as messages name them; files[0] is the deck itself
  ExecutiveControl executive{};
  CaseControl caseControl{};
  Bulk bulk{};
  std::optional<Location> endData{};  // where ENDDATA stands; nullopt when the deck has none

  // The cards passed through unread, one entry per name, by name.
  std::vector<UnreadCards> unreadCards() const;
  // "5 cards passed through unread: EIGRL (1), RFORCE (4)"; "" when every card was read.
  std::string unreadSummary() const;

  // A failure about the card at `origin`, at the line of `field` (0: its first line).
  DeckError errorAt(const Origin& origin, std::size_t field, std::string subject, std::string reason) const;
  DeckError errorAt(Location at, std::string subject, std::string reason) const;
};

struct ReadOptions {
  // A deck without ENDDATA is refused as truncated (a half-written file also lacks it); with
  // false it is read to its end.
  bool requireEndData = true;
};

// `name` is what messages call the deck (the path as given when empty).
Deck readDeckFile(const std::filesystem::path& path, std::string name = {}, const ReadOptions& options = {});
// A deck whose text is at hand; INCLUDE files come from `files`, relative to `path`'s folder.
Deck readDeckText(std::string text, std::string name, DeckFiles& files, const std::filesystem::path& path = {},
                  const ReadOptions& options = {});

}  // namespace nastran
