#pragma once
// OUTPUT2 format information shared by the reader and the writer: the framing's marks and
// texts, the IDENT record's word numbers, and the codes the IDENT words carry. The grammar
// of the framing is in docs/formats/output2.md; the entry layouts of each element type are in
// op2_entries.h.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace resultfiles::op2 {

// ---- Framing -------------------------------------------------------------------------------

// A word is 4 bytes (the usual files) or 8 bytes (files of 64-bit Nastran builds: integers
// are 64-bit, reals double precision, and every 4 characters of text take a word of their
// own). Fortran's record lengths around each record stay 4 bytes in both.
inline constexpr std::size_t kShortWordBytes = 4;
inline constexpr std::size_t kLongWordBytes = 8;
inline constexpr std::size_t kRecordLengthBytes = 4;
inline constexpr std::size_t kTextBytesPerWord = 4;

// The file header (PARAM,POST,-1; files of PARAM,POST,-2 begin with their first table).
inline constexpr std::int64_t kDateWords = 3;     // month, day, year - 2000
inline constexpr std::int64_t kOldDateWords = 1;  // some writers put a single word where the date stands
inline constexpr std::string_view kTapeCode = "NASTRAN FORT TAPE ID CODE - ";
inline constexpr std::int64_t kTapeCodeWords = 7;
inline constexpr std::int64_t kNameWords = 2;  // a label or table name: 8 characters
// MSC Nastran 2014 and later follow the header's label and each table's name with a second
// block of 6 words: the version (8 characters, "20211   " for 2021.1), 4 characters "0   ",
// an integer, and the table's name again (blanks after the label).
inline constexpr std::int64_t kVersionWords = 6;
inline constexpr std::int64_t kHeaderEnd[] = {-1, 0};

// Tables. After the name: mark -1, the trailer, marks -2 1 0 and the header record; then a
// mark -k 1 f before each further record (k = 3, 4, ...; f = 0 in results tables, 1 before a
// matrix column), and -k 1 0 0 at the table's end. A 0 where a table name may stand ends the
// file.
inline constexpr std::int64_t kTableStart = -1;
inline constexpr std::int64_t kTrailerWords = 7;
inline constexpr std::int64_t kHeaderRecordMark = -2;
inline constexpr std::int64_t kFirstRecordMark = -3;
inline constexpr std::int64_t kRecordMarkOne = 1;
inline constexpr std::int64_t kResultsRecord = 0;
inline constexpr std::int64_t kMatrixColumn = 1;
inline constexpr std::int64_t kEndOfTable = 0;
inline constexpr std::int64_t kEndOfFile = 0;

// Long data records are split into blocks of at most this many words, each with its own
// word count, as Nastran splits them by its buffer size.
inline constexpr std::size_t kBlockWords = 65536;

// ---- IDENT: the identification record before each data record of a results table -----------

inline constexpr std::size_t kIdentIntegerWords = 50;
inline constexpr std::size_t kIdentTextLength = 128;  // each of title, subtitle and label
inline constexpr std::size_t kIdentWords = kIdentIntegerWords + 3 * kIdentTextLength / kTextBytesPerWord;  // 146

// Word numbers, counted from 1 as the format's descriptions count them.
inline constexpr std::size_t kApproachAndDevice = 1;  // approach code * 10 + device code
inline constexpr std::size_t kTableAndSort = 2;       // table code + 1000 * sort code
inline constexpr std::size_t kElementTypeWord = 3;
inline constexpr std::size_t kSubcaseWord = 4;
inline constexpr std::size_t kLoadSetWord = 5;
inline constexpr std::size_t kFormatCodeWord = 9;
inline constexpr std::size_t kNumWideWord = 10;  // words per entry
inline constexpr std::size_t kStressCodeWord = 11;
inline constexpr std::size_t kThermalWord = 23;

// Approach codes (analysis kinds).
inline constexpr int kStatics = 1;
inline constexpr int kNormalModes = 2;
inline constexpr int kDifferentialStiffness = 3;
inline constexpr int kDifferentialStiffnessOne = 4;
inline constexpr int kFrequencyResponse = 5;
inline constexpr int kTransient = 6;
inline constexpr int kPreBuckling = 7;
inline constexpr int kBucklingModes = 8;
inline constexpr int kComplexModes = 9;
inline constexpr int kNonlinearStatics = 10;
inline constexpr int kGeometricNonlinearStatics = 11;
inline constexpr int kTransientContran = 12;

// What a file holds under each approach code, for the message that says why nothing was read.
inline std::string_view approachDescription(int approachCode) {
  switch (approachCode) {
    case kStatics: return "linear static results";
    case kNormalModes: return "normal modes";
    case kDifferentialStiffness:
    case kDifferentialStiffnessOne: return "differential stiffness results";
    case kFrequencyResponse: return "frequency response results";
    case kTransient:
    case kTransientContran: return "transient response results";
    case kPreBuckling: return "pre-buckling static results";
    case kBucklingModes: return "buckling modes";
    case kComplexModes: return "complex modes";
    case kNonlinearStatics: return "nonlinear static results";
    case kGeometricNonlinearStatics: return "geometric nonlinear static results";
    default: return "results of an unknown analysis kind";
  }
}

// Device code: where the results were asked for (1 print, 2 plot, 4 punch, summed). The
// writer uses print, as DISPLACEMENT = ALL asks; the reader takes any.
inline constexpr int kPrintDevice = 1;

// Table codes.
inline constexpr int kDisplacementTable = 1;
inline constexpr int kSpcForceTable = 3;
inline constexpr int kElementForceTable = 4;
inline constexpr int kElementStressTable = 5;
inline constexpr int kFailureIndexTable = 25;

inline constexpr int kSort1Real = 0;   // sort code
inline constexpr int kRealFormat = 1;  // format code

// Stress code (IDENT word 11): bit 0 von Mises (1) or maximum shear (0), bit 1 strain (1) or
// stress (0), bit 2 fibre distance (1) or curvature (0) for strains; bit 3 repeats bit 1.
inline constexpr int kVonMisesBit = 1;
inline constexpr int kStrainBit = 2;
inline constexpr int kFibreDistanceBit = 4;

// Grid point type in displacement and force entries.
inline constexpr int kGridPoint = 1;

// Results tables and their framing: the results table of these names carry what is read.
// The results read from a later name of a group are passed over where an earlier one gave
// them (a file with OUGV1 and BOUGV1 holds the same displacements twice).
inline constexpr std::string_view kDisplacementTables[] = {"OUGV1", "OUG1", "BOUGV1"};
inline constexpr std::string_view kSpcForceTables[] = {"OQG1", "OQGV1"};
inline constexpr std::string_view kStressTables[] = {"OES1X1", "OES1X", "OES1"};
inline constexpr std::string_view kCompositeStressTables[] = {"OES1C"};
inline constexpr std::string_view kFailureIndexTables[] = {"OEFIT"};
inline constexpr std::string_view kElementForceTables[] = {"OEF1X", "OEF1"};

}  // namespace resultfiles::op2
