#pragma once
// Nastran OUTPUT2 files (what Nastran writes with PARAM,POST,-1), at the level of their
// framing: every record is a Fortran unformatted record (a 4-byte length before and after
// it), words are 4 bytes little-endian. The file opens with a header (date, the tape code,
// an 8-character label) and holds data blocks ("tables"), each named, with a 7-word trailer,
// a header record and numbered records; a results table's records alternate between an
// identification record (IDENT) and the data it describes. This layer knows nothing of what
// the words mean beyond the IDENT fields; op2_tables.h reads and writes the results in them.

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace resultfiles {

// One 4-byte word as its bits: an integer, a single-precision real or four characters.
using Word = std::uint32_t;
inline Word intWord(std::int32_t value) { return static_cast<Word>(value); }
inline Word realWord(float value) { return std::bit_cast<Word>(value); }
inline std::int32_t asInt(Word word) { return static_cast<std::int32_t>(word); }
inline float asReal(Word word) { return std::bit_cast<float>(word); }

// The word stored at `bytes` as the file stores it, least significant byte first.
inline Word littleEndianWord(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<Word>(b[0]) | static_cast<Word>(b[1]) << 8 | static_cast<Word>(b[2]) << 16 |
         static_cast<Word>(b[3]) << 24;
}

inline constexpr std::size_t kIdentIntegerWords = 50;
inline constexpr std::size_t kIdentTextLength = 128;  // each of title, subtitle, label
inline constexpr std::size_t kIdentWords = kIdentIntegerWords + 3 * kIdentTextLength / 4;  // 146

// The identification record of a results subtable: 50 integer words, then the title,
// subtitle and label texts (blank-padded to 128 characters in the file, trimmed here).
struct Op2Ident {
  std::array<Word, kIdentIntegerWords> words{};
  std::string title;
  std::string subtitle;
  std::string label;

  std::int32_t word(std::size_t number) const { return asInt(words[number - 1]); }  // 1-based, as documented
  void setWord(std::size_t number, std::int32_t value) { words[number - 1] = intWord(value); }

  int approachCode() const { return word(1) / 10; }  // 1: statics
  int deviceCode() const { return word(1) % 10; }
  int tableCode() const { return word(2) % 1000; }   // 1: displacements, 5: element stresses
  int sortCode() const { return word(2) / 1000; }    // 0: sort 1, real
  int elementType() const { return word(3); }
  int subcase() const { return word(4); }
  int loadSet() const { return word(5); }
  int formatCode() const { return word(9); }         // 1: real
  int numWide() const { return word(10); }           // words per entry
  int stressCode() const { return word(11); }
  int thermal() const { return word(23); }
};

// A data record where it lies in the bytes of a file: its blocks in order (a long record is
// split into blocks), each a run of little-endian words. The views point into the bytes the
// file was read from.
struct Op2Record {
  std::vector<std::string_view> blocks;
  std::size_t words = 0;
};

struct Op2Subtable {
  Op2Ident ident;
  std::vector<Word> data;    // the data record's words, unless it was read in place
  std::uint64_t offset = 0;  // where the IDENT record starts in the file
  Op2Record inPlace;         // read in place: the data record in the file's bytes
};

struct Op2Table {
  std::string name;  // up to 8 characters, trailing blanks removed
  std::array<Word, 7> trailer{};
  std::vector<Word> header;  // the header record (name, date, 0, 1 for results tables)
  std::vector<Op2Subtable> subtables;  // results tables that were asked for only
  std::uint64_t offset = 0;  // where the table's name record starts
  std::size_t records = 0;   // numbered records after the header record
};

struct Op2Date {
  int month = 1;
  int day = 1;
  int year = 2000;
};

struct Op2File {
  Op2Date date;
  std::string label = "NX8.5";  // up to 8 characters in the file
  std::vector<Op2Table> tables;
};

// The whole file's bytes. Tables are written as results tables: trailer, header record
// (name, the file's date, 0, 1), then IDENT and data per subtable.
std::string writeOp2(const Op2File& file);

// How readOp2 gives the data records of the subtables: copied into `data`, or left where they
// lie in the file's bytes (`inPlace`), which saves a copy of the results but ties the tables
// to the bytes: they must outlive them.
enum class Op2DataRecords { Copied, InPlace };

// Reads a whole file. The tables for which `wanted(name)` is true are read as results tables
// (IDENT and data pairs); every other table is checked for its framing and listed without
// its records. Throws
// FormatError naming `fileName` and the byte offset for a truncated, damaged or foreign file.
Op2File readOp2(std::string_view bytes, const std::string& fileName,
                const std::function<bool(std::string_view)>& wanted,
                Op2DataRecords dataRecords = Op2DataRecords::Copied);

}  // namespace resultfiles
