#pragma once
// Nastran OUTPUT2 files (what Nastran writes with PARAM,POST,-1 or -2), at the level of their
// framing: every record is a Fortran unformatted record (a 4-byte length before and after it)
// of little-endian words of 4 bytes, or of 8 bytes in files of 64-bit Nastran builds. The
// file opens with a header (date, the tape code, an 8-character label naming the writer;
// MSC Nastran 2014 and later add a version record) unless it was written with PARAM,POST,-2,
// and holds data blocks ("tables"), each named, with a trailer, a header record and numbered
// records. A results table's records alternate between an identification record (IDENT) and
// the data it describes; a matrix's records are its columns. The grammar is in
// docs/formats/output2.md. This layer knows nothing of what the words mean beyond the IDENT
// fields; op2_tables.h reads and writes the results in them.

#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "resultfiles/op2_format.h"

namespace resultfiles {

// The words of a record as the writer puts them down, in the file's encoding: integers,
// reals (single precision in 4-byte words, double in 8-byte words) and text, 4 characters
// a word (in 8-byte words the 4 characters are followed by 4 blanks).
class Op2Words {
 public:
  explicit Op2Words(std::size_t wordBytes = op2::kShortWordBytes);

  void integer(std::int64_t value);
  void real(double value);
  void text(std::string_view characters, std::size_t words);  // blank-padded or cut to `words` words
  void reserve(std::size_t words) { bytes_.reserve(words * wordBytes_); }

  std::size_t wordBytes() const { return wordBytes_; }
  std::size_t size() const { return bytes_.size() / wordBytes_; }
  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }

 private:
  std::size_t wordBytes_;
  std::string bytes_;
};

// The words of an entry where they lie in a file's bytes, counted from 0.
class Op2WordView {
 public:
  Op2WordView(const char* bytes, std::size_t wordBytes) : bytes_(bytes), wordBytes_(wordBytes) {}

  std::int64_t integer(std::size_t word) const {
    const char* at = bytes_ + word * wordBytes_;
    if (wordBytes_ == op2::kLongWordBytes) return static_cast<std::int64_t>(load<std::uint64_t>(at));
    return static_cast<std::int32_t>(load<std::uint32_t>(at));
  }
  double real(std::size_t word) const {
    const char* at = bytes_ + word * wordBytes_;
    if (wordBytes_ == op2::kLongWordBytes) return std::bit_cast<double>(load<std::uint64_t>(at));
    return std::bit_cast<float>(load<std::uint32_t>(at));
  }
  // Whether a real word is a single-precision float as this machine holds one, so that a run
  // of them can be copied as it stands.
  bool nativeSingles() const {
    return wordBytes_ == op2::kShortWordBytes && std::endian::native == std::endian::little;
  }
  const char* at(std::size_t word) const { return bytes_ + word * wordBytes_; }

  // `words` words of text, trailing blanks removed; in 8-byte words the characters stand in
  // the first half of each word, or (as MSC writes some names) packed in the first half of
  // the whole run.
  std::string text(std::size_t word, std::size_t words) const;
  std::string characters(std::size_t word, std::size_t words) const;  // the same, blanks kept

 private:
  // An unsigned word stored least significant byte first.
  template <typename Unsigned>
  static Unsigned load(const char* at) {
    Unsigned value;
    std::memcpy(&value, at, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
      Unsigned swapped = 0;
      for (std::size_t i = 0; i < sizeof value; ++i) swapped = swapped << 8 | ((value >> (8 * i)) & 0xff);
      value = swapped;
    }
    return value;
  }

  const char* bytes_;
  std::size_t wordBytes_;
};

// The identification record of a results subtable: 50 integer words, then the title,
// subtitle and label texts (blank-padded to 128 characters in the file, trimmed here).
struct Op2Ident {
  std::array<std::int64_t, op2::kIdentIntegerWords> words{};
  std::string title;
  std::string subtitle;
  std::string label;

  std::int64_t word(std::size_t number) const { return words[number - 1]; }  // 1-based, as documented
  void setWord(std::size_t number, std::int64_t value) { words[number - 1] = value; }

  int approachCode() const { return static_cast<int>(word(op2::kApproachAndDevice) / 10); }
  int deviceCode() const { return static_cast<int>(word(op2::kApproachAndDevice) % 10); }
  int tableCode() const { return static_cast<int>(word(op2::kTableAndSort) % 1000); }
  int sortCode() const { return static_cast<int>(word(op2::kTableAndSort) / 1000); }
  int elementType() const { return static_cast<int>(word(op2::kElementTypeWord)); }
  int subcase() const { return static_cast<int>(word(op2::kSubcaseWord)); }
  int loadSet() const { return static_cast<int>(word(op2::kLoadSetWord)); }
  int formatCode() const { return static_cast<int>(word(op2::kFormatCodeWord)); }
  int numWide() const { return static_cast<int>(word(op2::kNumWideWord)); }  // words per entry
  int stressCode() const { return static_cast<int>(word(op2::kStressCodeWord)); }
  int thermal() const { return static_cast<int>(word(op2::kThermalWord)); }
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
  std::string data;          // the data record's words in the file's encoding, unless read in place
  std::uint64_t offset = 0;  // where the IDENT record starts in the file
  Op2Record inPlace;         // read in place: the data record in the file's bytes
};

struct Op2Table {
  std::string name;  // up to 8 characters, trailing blanks removed
  std::array<std::int64_t, op2::kTrailerWords> trailer{};
  std::vector<Op2Subtable> subtables;  // results tables that were asked for only
  std::uint64_t offset = 0;            // where the table's name record starts
  std::size_t records = 0;             // numbered records after the header record
  bool matrix = false;                 // framed as a matrix (its records are columns, marks -k 1 1)
  std::vector<std::string> columns;    // written after the subtables, each a matrix column's words; not kept by readOp2
};

struct Op2Date {
  int month = 1;
  int day = 1;
  int year = 2000;
};

// How a file is framed.
struct Op2Form {
  std::size_t wordBytes = op2::kShortWordBytes;  // 4, or 8 for 64-bit builds
  bool fileHeader = true;                        // false: PARAM,POST,-2, the first table at byte 0
  std::string version;                           // MSC 2014 and later: the version record's text ("20211"); empty: none
};

struct Op2File {
  Op2Form form;
  Op2Date date;
  std::string label = "NX8.5";  // up to 8 characters in the file
  std::vector<Op2Table> tables;
};

// Whether the bytes are an OUTPUT2 file as far as their first bytes tell: binary of either
// word size or byte order, or formatted (text that holds the tape code).
bool looksLikeOutput2(std::string_view bytes);

// The program that wrote the file as its header names it ("NX Nastran 8.5", "MSC Nastran
// 2021.1", "OptiStruct 2019.1"), or empty for a file without header.
std::string describeWriter(const Op2File& file);

// The whole file's bytes. Tables are written as results tables: trailer, header record
// (name, the file's date, 0, 1), then IDENT and data per subtable; every subtable's data in
// the file's word size.
std::string writeOp2(const Op2File& file);

// How readOp2 gives the data records of the subtables: copied into `data`, or left where they
// lie in the file's bytes (`inPlace`), which saves a copy of the results but ties the tables
// to the bytes: they must outlive them.
enum class Op2DataRecords { Copied, InPlace };

// Reads a whole file. The tables for which `wanted(name)` is true are read as results tables
// (IDENT and data pairs) unless they are framed as matrices; every other table is checked for
// its framing and listed without its records. Throws FormatError naming `fileName` and the
// byte offset for a truncated, damaged or foreign file, saying which (and the writer the
// header names).
Op2File readOp2(std::string_view bytes, const std::string& fileName,
                const std::function<bool(std::string_view)>& wanted,
                Op2DataRecords dataRecords = Op2DataRecords::Copied);

}  // namespace resultfiles
