#pragma once
// The bulk data section's cards made typed: each card the library knows is read field by field
// into its struct (card_layouts.h says where each field stands), every other card is kept as it
// stands.
//
// GRDSET, BAROR and BEAMOR only give defaults to the blank fields of GRID, CBAR and CBEAM: they
// are applied when the section ends and not kept, so a deck written back says the same with the
// values on the cards themselves.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "nastran/card_assembler.h"
#include "nastran/card_reader.h"
#include "nastran/deck.h"

namespace nastran {

// What a quick look over a large deck found: how many lines start with each card name, and how
// many lines may be continuations (those that start with neither a letter nor '$').
struct CardCounts {
  std::unordered_map<std::string, std::size_t> byName;
  std::size_t continuationLines = 0;
};

class BulkReader : public CardSink {
 public:
  BulkReader(Bulk& bulk, const std::vector<std::string>& files);

  // Makes room for this many cards of each name (only a hint: fewer or more may come).
  void reserve(const CardCounts& counts);
  void card(const RawCard& card) override;
  // Applies GRDSET, BAROR and BEAMOR.
  void finish();

 private:
  using Read = void (BulkReader::*)(const CardReader&);

  Origin originOf(const RawCard& card);
  template <class Card>
  Card& readLayout(const CardReader& reader, std::vector<Card>& cards, Card card = Card());
  void distinctGrids(const CardReader& reader, const int* grids, std::size_t count) const;

  void readGrid(const CardReader&);
  void readGrdset(const CardReader&);
  void readSpoint(const CardReader&);
  void readCord1(const CardReader&);
  void readCord2(const CardReader&);
  void readCrod(const CardReader&);
  void readConrod(const CardReader&);
  void readCbar(const CardReader&);
  void readCbeam(const CardReader&);
  void readBarDefaults(const CardReader&);
  void readCbush(const CardReader&);
  void readCelas1(const CardReader&);
  void readCelas2(const CardReader&);
  void readPlate(const CardReader&);
  void readCshear(const CardReader&);
  void readSolid(const CardReader&);
  void readConm2(const CardReader&);
  void readRbe2(const CardReader&);
  void readRbe3(const CardReader&);
  void readRbar(const CardReader&);
  void readProd(const CardReader&);
  void readPbar(const CardReader&);
  void readPbarl(const CardReader&);
  void readPbeam(const CardReader&);
  void readPbeaml(const CardReader&);
  void readPbush(const CardReader&);
  void readPelas(const CardReader&);
  void readPshell(const CardReader&);
  void readPcomp(const CardReader&);
  void readPshear(const CardReader&);
  void readPsolid(const CardReader&);
  void readMat1(const CardReader&);
  void readMat2(const CardReader&);
  void readMat8(const CardReader&);
  void readMat9(const CardReader&);
  void readNodalLoad(const CardReader&);
  void readNodalLoad1(const CardReader&);
  void readPload(const CardReader&);
  void readPload1(const CardReader&);
  void readPload2(const CardReader&);
  void readPload4(const CardReader&);
  void readGrav(const CardReader&);
  void readLoad(const CardReader&);
  void readTemp(const CardReader&);
  void readTempd(const CardReader&);
  void readSpc(const CardReader&);
  void readSpc1(const CardReader&);
  void readSetUnion(const CardReader&);
  void readMpc(const CardReader&);
  void readParam(const CardReader&);
  void pass(const RawCard& card);

  // The defaults of GRDSET, BAROR and BEAMOR, and which fields of each GRID, CBAR and CBEAM
  // were blank, until finish() applies them.
  struct BarDefaults {
    bool given = false;
    Origin origin;
    int pid = 0;
    Orientation orientation;
    std::string offt;
    std::optional<double> bit;
  };
  enum BlankField : std::uint8_t { kBlankCp = 1, kBlankCd = 2, kBlankPs = 4, kBlankSeid = 8 };
  enum BlankBarField : std::uint8_t { kBlankPid = 1, kBlankOrientation = 2, kBlankOfft = 4 };
  std::optional<Grid> gridDefaults_;
  BarDefaults barDefaults_, beamDefaults_;
  std::vector<std::uint8_t> gridBlanks_, barBlanks_, beamBlanks_;

  Bulk& bulk_;
  const std::vector<std::string>& files_;
  std::unordered_map<std::string, Read> readers_;
  std::string lastName_;
  Read lastRead_ = nullptr;
  const RawCard* current_ = nullptr;
};

}  // namespace nastran
