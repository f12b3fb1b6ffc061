#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nastranccx {

// One bulk-data card with its continuations joined, in whatever format it came:
// small-field free format ("CROD,1,1,5,3", continuations "+,..."), large-field
// free format ("GRID*,..." with "*,..." continuations), or fixed 8/16-column fields.
struct Card {
  std::string name;                 // upper case, without the large-field '*'
  std::vector<std::string> fields;  // fields[0] is Nastran field 1; blank fields are ""
  int line = 0;                     // line of the card's first line, from 1
};

struct StatementLine {
  std::string text;  // trimmed, comment removed
  int line = 0;
};

// A Nastran input file taken apart into its three sections. It knows the card
// formats but not what any card means.
struct Deck {
  std::string fileName;  // as messages name it
  std::vector<StatementLine> executive;
  std::vector<StatementLine> caseControl;
  std::vector<Card> bulk;
};

// Throws Failure for an unreadable file, a missing CEND, BEGIN BULK or ENDDATA,
// and for lines that are not cards.
Deck readDeckText(std::string_view text, const std::string& fileName);
Deck readDeckFile(const std::filesystem::path& path, const std::string& fileName);

}  // namespace nastranccx
