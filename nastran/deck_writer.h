#pragma once
// Decks written: executive and case control, every typed card, the cards passed through, ENDDATA.
//
// A card goes in small fields when every value fits 8 characters exactly, else in large fields
// (NAME*, four values a line). Reals are written as the shortest text that reads back as the
// same double, always in a form Nastran reads as a real ("1.", ".5", "1.5E-7"); a real whose
// exact text is longer than 16 characters (rare: 17 significant digits) is rounded to the most
// digits that fit. A field equal to its Nastran default is left blank. Free field (commas, the
// default) or fixed columns are chosen by WriteOptions.
//
// Writing typed cards:
//
//   std::string text;
//   nastran::CardWriter cards(text);
//   cards.write(nastran::Grid{.id = 1, .x = {0, 0, 1.5}});
//   cards.write(nastran::Plate{.shape = nastran::PlateShape::Quad4, .eid = 7, .pid = 2, .g = {1, 2, 3, 4}});
//   cards.card("EIGRL", {10, {}, {}, 6});   // any card by its fields
//
// or a whole deck: nastran::writeDeckFile(path, deck).

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/deck.h"
#include "nastran/numbers.h"

namespace nastran {

// One field's value for the writer: blank, an integer, a real or a word.
struct Field {
  enum class Kind : std::uint8_t { Blank, Integer, Real, Text };
  Kind kind = Kind::Blank;
  long long integer = 0;
  double real = 0;
  std::string_view text;  // must outlive the write

  Field() = default;
  Field(int value) : kind(Kind::Integer), integer(value) {}
  Field(long long value) : kind(Kind::Integer), integer(value) {}
  Field(double value) : kind(Kind::Real), real(value) {}
  Field(std::string_view value) : kind(value.empty() ? Kind::Blank : Kind::Text), text(value) {}
  Field(const char* value) : Field(std::string_view(value)) {}
};

enum class FieldFormat { Free, Fixed };

struct WriteOptions {
  FieldFormat format = FieldFormat::Free;
};

// Writes cards, one after the other, at the end of a text.
class CardWriter {
 public:
  explicit CardWriter(std::string& out, WriteOptions options = {}) : out_(out), options_(options) {}

  // Any card by its name and fields (field 1 first). Throws std::invalid_argument for a word or
  // an integer longer than a large field, and for a real that is infinite or NaN.
  void card(std::string_view name, std::span<const Field> fields);
  void card(std::string_view name, std::initializer_list<Field> fields) {
    card(name, std::span<const Field>(fields.begin(), fields.size()));
  }
  // "$ text"
  void comment(std::string_view text);

  void write(const Grid&);
  void write(const Spoint&);
  void write(const Cord1&);
  void write(const Cord2&);
  void write(const Crod&);
  void write(const Conrod&);
  void write(const Cbar&);
  void write(const Cbeam&);
  void write(const Cbush&);
  void write(const Celas1&);
  void write(const Celas2&);
  void write(const Plate&);
  void write(const Cshear&);
  void write(const Solid&);
  void write(const Conm2&);
  void write(const Rbe2&);
  void write(const Rbe3&);
  void write(const Rbar&);
  void write(const Prod&);
  void write(const Pbar&);
  void write(const Pbarl&);
  void write(const Pbeam&);
  void write(const Pbeaml&);
  void write(const Pbush&);
  void write(const Pelas&);
  void write(const Pshell&);
  void write(const Pcomp&);
  void write(const Pshear&);
  void write(const Psolid&);
  void write(const Mat1&);
  void write(const Mat2&);
  void write(const Mat8&);
  void write(const Mat9&);
  void write(const NodalLoad&);
  void write(const NodalLoad1&);
  void write(const Pload&);
  void write(const Pload1&);
  void write(const Pload2&);
  void write(const Pload4&);
  void write(const Grav&);
  void write(const LoadCombination&);
  void write(const Temp&);
  void write(const Tempd&);
  void write(const Spc&);
  void write(const Spc1&);
  void write(const SetUnion&);
  void write(const Mpc&);
  void write(const Param&);
  // As it stood in the deck it was read from (its own lines); from its fields when it has none.
  void write(const PassedCard&);

  // Every card of a kind.
  template <class Card>
  void writeAll(const std::vector<Card>& cards) {
    for (const Card& card : cards) write(card);
  }

 private:
  template <class Card>
  void writeLayout(std::string_view name, const Card& card);
  void line(std::string_view head, std::span<const FieldText> texts, std::size_t first, std::size_t count,
            bool large);

  std::string& out_;
  WriteOptions options_;
  std::vector<Field> fields_;
  std::vector<FieldText> texts_;
};

// The executive control section, CEND included.
void writeExecutiveControl(std::string& out, const ExecutiveControl& executive);
// The case control section, BEGIN BULK included.
void writeCaseControl(std::string& out, const CaseControl& caseControl);
// Every card of the bulk data: parameters, coordinate systems, grids, elements, properties,
// materials, loads, constraints, then the cards passed through.
void writeBulk(CardWriter& cards, const Bulk& bulk);

// The whole deck, ENDDATA at its end.
std::string formatDeck(const Deck& deck, const WriteOptions& options = {});
// formatDeck written whole to `path` (a temporary file renamed over it).
void writeDeckFile(const std::filesystem::path& path, const Deck& deck, const WriteOptions& options = {});

}  // namespace nastran
