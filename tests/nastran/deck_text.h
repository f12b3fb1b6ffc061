#pragma once
// Decks for the library's tests: bulk data in the smallest deck around it, read from memory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nastran/deck.h"

namespace nastran::testing {

// SOL 101, CEND, BEGIN BULK take three lines: the first bulk line is line 4.
inline std::string deckWith(const std::string& bulk) { return "SOL 101\nCEND\nBEGIN BULK\n" + bulk + "ENDDATA\n"; }

inline Deck readBulk(const std::string& bulk) {
  MemoryFiles files;
  return readDeckText(deckWith(bulk), "deck.dat", files);
}

// The message of the DeckError that reading `deck` (a whole deck) throws.
inline std::string readError(const std::string& deck) {
  try {
    MemoryFiles files;
    readDeckText(deck, "deck.dat", files);
  } catch (const DeckError& error) {
    return error.what();
  }
  return "(read without error)";
}

inline std::string bulkError(const std::string& bulk) { return readError(deckWith(bulk)); }

// A fixed-format line: the name (or marker) and each field in 8 columns, `marker` in field 10.
inline std::string fixedLine(const std::vector<std::string>& fields, const std::string& marker = "") {
  std::string line;
  for (const std::string& field : fields) line += field + std::string(8 - field.size(), ' ');
  if (!marker.empty()) line += std::string(72 - line.size(), ' ') + marker;
  return line + "\n";
}

// A large-field line: field 1 in 8 columns, then up to four fields of 16.
inline std::string largeLine(const std::string& head, const std::vector<std::string>& fields) {
  std::string line = head + std::string(8 - head.size(), ' ');
  for (const std::string& field : fields) line += field + std::string(16 - field.size(), ' ');
  return line + "\n";
}

}  // namespace nastran::testing
