#include "resultfiles/op2_file.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

using namespace op2;

std::uint32_t littleEndian32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::uint64_t littleEndian64(const char* bytes) {
  return static_cast<std::uint64_t>(littleEndian32(bytes)) | static_cast<std::uint64_t>(littleEndian32(bytes + 4))
                                                                 << 32;
}

void appendLittleEndian(std::string& out, std::uint64_t value, std::size_t bytes) {
  char encoded[8];
  for (std::size_t i = 0; i < bytes; ++i) encoded[i] = static_cast<char>((value >> (8 * i)) & 0xff);
  out.append(encoded, bytes);
}

std::string trimmedText(std::string_view characters) {
  std::size_t end = characters.find_last_not_of(std::string_view(" \0", 2));
  return std::string(characters.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

bool isPadding(char c) { return c == ' ' || c == '\0'; }

// The first length word of a big-endian file, read as little-endian.
constexpr std::uint32_t kBigEndianShortWord = 0x04000000;
constexpr std::uint32_t kBigEndianLongWord = 0x08000000;

// A formatted OUTPUT2 file: text whose first lines hold the tape code. Text that opens with
// a "-1" line is a FEMAP neutral file (a block start), whatever its titles say.
bool isFormattedOutput2(std::string_view bytes) {
  constexpr std::size_t kLooked = 4096;
  std::string_view start = bytes.substr(0, kLooked);
  bool text = std::all_of(start.begin(), start.end(), [](char c) {
    return c == '\n' || c == '\r' || c == '\t' ||
           (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127);
  });
  if (!text) return false;
  std::size_t first = start.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos) {
    std::string_view line = start.substr(first, start.find_first_of("\r\n", first) - first);
    if (line.substr(0, line.find_last_not_of(" \t") + 1) == "-1") return false;
  }
  return start.find(kTapeCode.substr(0, kTapeCode.find_last_not_of(" -") + 1)) != std::string_view::npos;
}

// "20211" -> "2021.1": MSC's version records give the year and the release.
std::string mscRelease(const std::string& version) {
  if (version.size() == 5 && std::all_of(version.begin(), version.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return version.substr(0, 4) + "." + version.substr(4);
  return version;
}

// Writes the framing: Fortran records of marks and blocks.
class FramingWriter {
 public:
  explicit FramingWriter(std::size_t wordBytes) : wordBytes_(wordBytes) {}

  void mark(std::int64_t value) {
    Op2Words word(wordBytes_);
    word.integer(value);
    fortranRecord(word.bytes());
  }
  void marks(std::initializer_list<std::int64_t> values) {
    for (std::int64_t value : values) mark(value);
  }
  // A block announced by its word count.
  void block(const Op2Words& words) {
    mark(static_cast<std::int64_t>(words.size()));
    fortranRecord(words.bytes());
  }
  // A record of any length: blocks of at most kBlockWords words, each announced.
  void record(std::string_view bytes) {
    std::size_t blockBytes = kBlockWords * wordBytes_;
    for (std::size_t done = 0; done < bytes.size(); done += blockBytes) {
      std::string_view part = bytes.substr(done, blockBytes);
      mark(static_cast<std::int64_t>(part.size() / wordBytes_));
      fortranRecord(part);
    }
  }
  std::string take() { return std::move(out_); }

 private:
  void fortranRecord(std::string_view payload) {
    appendLittleEndian(out_, payload.size(), kRecordLengthBytes);
    out_.append(payload);
    appendLittleEndian(out_, payload.size(), kRecordLengthBytes);
  }

  std::size_t wordBytes_;
  std::string out_;
};

Op2Words identWords(const Op2Ident& ident, std::size_t wordBytes) {
  Op2Words words(wordBytes);
  words.reserve(kIdentWords);
  for (std::int64_t value : ident.words) words.integer(value);
  for (const std::string* text : {&ident.title, &ident.subtitle, &ident.label})
    words.text(*text, kIdentTextLength / kTextBytesPerWord);
  return words;
}

// The block after a label or a table name in files of MSC Nastran 2014 and later.
Op2Words versionWords(const std::string& version, const std::string& name, std::size_t wordBytes) {
  Op2Words words(wordBytes);
  words.text(version, kNameWords);
  words.text("0", 1);
  words.integer(0);
  words.text(name, kNameWords);
  return words;
}

// Reads the framing of a file: marks, blocks and records, every fault a FormatError that
// says whether the file is truncated, damaged or no OUTPUT2 file.
class FramingReader {
 public:
  FramingReader(std::string_view bytes, const std::string& fileName) : bytes_(bytes), fileName_(fileName) {}

  std::size_t wordBytes() const { return wordBytes_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }
  void setWordBytes(std::size_t wordBytes) { wordBytes_ = wordBytes; }
  void setWriter(std::string writer) { writer_ = std::move(writer); }

  [[noreturn]] void damaged(std::uint64_t offset, const std::string& reason) const {
    fail(offset, reason + " (damaged file" + writerNote() + ")");
  }
  [[noreturn]] void truncated(std::uint64_t offset, const std::string& what) const {
    fail(offset, "the file ends inside " + what + " (truncated file" + writerNote() + ")");
  }
  [[noreturn]] void foreign(std::uint64_t offset, const std::string& reason) const {
    fail(offset, "not an OUTPUT2 file: " + reason);
  }
  [[noreturn]] void fail(std::uint64_t offset, const std::string& message) const {
    throw FormatError(fileName_, FormatError::Place::Byte, offset, message);
  }

  // One Fortran record's payload, its lengths checked.
  std::string_view fortranRecord(const std::string& what) {
    std::uint64_t start = position_;
    if (remaining() < kRecordLengthBytes) truncated(start, what);
    std::uint32_t length = littleEndian32(bytes_.data() + position_);
    if (remaining() - kRecordLengthBytes < std::size_t{length} + kRecordLengthBytes)
      truncated(start, what + " (a record of " + std::to_string(length) + " bytes is announced)");
    std::string_view payload = bytes_.substr(position_ + kRecordLengthBytes, length);
    position_ += kRecordLengthBytes + length;
    std::uint32_t closing = littleEndian32(bytes_.data() + position_);
    if (closing != length)
      damaged(position_, what + ": the record's closing length " + std::to_string(closing) +
                             " does not match its opening length " + std::to_string(length));
    position_ += kRecordLengthBytes;
    return payload;
  }

  // A record of one word: a mark, or the word count of the block after it.
  std::int64_t mark(const std::string& what) {
    std::uint64_t start = position_;
    if (remaining() < 2 * kRecordLengthBytes + wordBytes_) {
      if (remaining() == 0)
        fail(start, "the file ends where " + what + " should be (truncated file" + writerNote() + ")");
      truncated(start, what);
    }
    std::string_view payload = fortranRecord(what);
    if (payload.size() != wordBytes_)
      damaged(start, what + ": a record of " + std::to_string(payload.size()) + " bytes where one " +
                         std::to_string(wordBytes_) + "-byte word was expected");
    return word(payload.data());
  }
  std::int64_t peekMark(const std::string& what) {
    std::size_t saved = position_;
    std::int64_t value = mark(what);
    position_ = saved;
    return value;
  }
  void expectMark(std::int64_t expected, const std::string& what) {
    std::uint64_t start = position_;
    std::int64_t value = mark(what);
    if (value != expected)
      damaged(start, what + ": " + std::to_string(expected) + " was expected, not " + std::to_string(value));
  }

  // A block of `words` words.
  std::string_view block(std::int64_t words, const std::string& what) {
    std::uint64_t start = position_;
    std::string_view payload = fortranRecord(what);
    if (payload.size() % wordBytes_ != 0 || payload.size() / wordBytes_ != static_cast<std::uint64_t>(words))
      damaged(start, what + ": a block of " + std::to_string(payload.size()) + " bytes where " + std::to_string(words) +
                         " words of " + std::to_string(wordBytes_) + " bytes were announced");
    return payload;
  }

  // A record: blocks, each announced by its word count, up to the next mark of 0 or less.
  Op2Record record(const std::string& what) {
    Op2Record record;
    while (peekMark(what + " or the mark after it") > 0) {
      std::int64_t count = mark(what);
      std::string_view payload = block(count, what);
      record.blocks.push_back(payload);
      record.words += payload.size() / wordBytes_;
    }
    return record;
  }

  std::int64_t word(const char* bytes) const {
    return wordBytes_ == kLongWordBytes ? static_cast<std::int64_t>(littleEndian64(bytes))
                                        : static_cast<std::int32_t>(littleEndian32(bytes));
  }
  std::string text(std::string_view payload, std::size_t firstWord, std::size_t words) const {
    return Op2WordView(payload.data(), wordBytes_).text(firstWord, words);
  }

 private:
  std::string writerNote() const { return writer_.empty() ? "" : "; written by " + writer_; }

  std::string_view bytes_;
  const std::string& fileName_;
  std::size_t wordBytes_ = kShortWordBytes;
  std::size_t position_ = 0;
  std::string writer_;
};

// A record's bytes in one piece.
std::string gathered(const Op2Record& record) {
  std::string bytes;
  for (std::string_view block : record.blocks) bytes.append(block);
  return bytes;
}

class Reader {
 public:
  Reader(std::string_view bytes, const std::string& fileName, Op2DataRecords dataRecords)
      : in_(bytes, fileName), bytes_(bytes), dataRecords_(dataRecords) {}

  Op2File read(const std::function<bool(std::string_view)>& wanted) {
    Op2File file;
    detectForm(file);
    if (file.form.fileHeader) readHeader(file);
    while (true) {
      std::uint64_t offset = in_.position();
      std::int64_t key = in_.mark("the name of the next table or the end-of-file mark");
      if (key == kEndOfFile) break;
      if (key != kNameWords)
        in_.damaged(offset, "a table name (a record of " + std::to_string(kNameWords) +
                                " words) or the end-of-file mark was expected, not " + std::to_string(key));
      Op2Table table;
      table.offset = offset;
      std::string_view name = in_.block(kNameWords, "the table name");
      table.name = in_.text(name, 0, kNameWords);
      in_.record("the version record after table " + table.name);  // MSC 2014 and later
      readTable(table, wanted(table.name));
      file.tables.push_back(std::move(table));
    }
    if (in_.remaining() != 0)
      in_.damaged(in_.position(), std::to_string(in_.remaining()) + " bytes follow the end-of-file mark");
    return file;
  }

 private:
  void detectForm(Op2File& file) {
    if (bytes_.size() < kRecordLengthBytes) in_.foreign(0, "it is " + std::to_string(bytes_.size()) + " bytes long");
    std::uint32_t first = littleEndian32(bytes_.data());
    if (first == kBigEndianShortWord || first == kBigEndianLongWord)
      in_.fail(0, "a big-endian OUTPUT2 file; only little-endian files are read");
    if (first != kShortWordBytes && first != kLongWordBytes) {
      if (isFormattedOutput2(bytes_))
        in_.fail(0, "a formatted (text) OUTPUT2 file; only unformatted (binary) OUTPUT2 files are read");
      in_.foreign(0, "it does not begin with a Fortran record of one 4- or 8-byte word");
    }
    file.form.wordBytes = first;
    in_.setWordBytes(first);
    std::int64_t opening = in_.peekMark("the file header or the first table's name");
    if (opening != kDateWords && opening != kNameWords)
      in_.foreign(0, "its first record holds " + std::to_string(opening) + " where the file header (" +
                         std::to_string(kDateWords) + ") or a table name (" + std::to_string(kNameWords) + ") begins");
    file.form.fileHeader = opening == kDateWords;
  }

  void readHeader(Op2File& file) {
    in_.expectMark(kDateWords, "the file header");
    std::uint64_t dateOffset = in_.position();
    std::string_view date = in_.fortranRecord("the date record");
    std::size_t w = in_.wordBytes();
    if (date.size() == kDateWords * w) {
      // The year is written less 2000; a damaged year word wraps round rather than overflow.
      file.date = {static_cast<int>(in_.word(date.data())), static_cast<int>(in_.word(date.data() + w)),
                   static_cast<int>(
                       static_cast<std::int32_t>(2000u + static_cast<std::uint32_t>(in_.word(date.data() + 2 * w))))};
    } else if (date.size() != kOldDateWords * w) {
      in_.damaged(dateOffset, "the date record: " + std::to_string(date.size()) + " bytes where " +
                                  std::to_string(kDateWords) + " words were expected");
    }
    in_.expectMark(kTapeCodeWords, "the length of the tape code");
    std::uint64_t tapeOffset = in_.position();
    std::string_view tape = in_.block(kTapeCodeWords, "the tape code");
    if (Op2WordView(tape.data(), in_.wordBytes()).characters(0, kTapeCodeWords) != kTapeCode)
      in_.foreign(tapeOffset, "the tape code is not \"" + std::string(kTapeCode) + "\"");
    in_.expectMark(kNameWords, "the length of the label");
    file.label = in_.text(in_.block(kNameWords, "the label"), 0, kNameWords);
    in_.setWriter(describeWriter(file));
    Op2Record version = in_.record("the version record after the label");
    if (!version.blocks.empty()) file.form.version = in_.text(version.blocks.front(), 0, kNameWords);
    in_.setWriter(describeWriter(file));
    for (std::int64_t mark : kHeaderEnd) in_.expectMark(mark, "the end of the file header");
  }

  void readTable(Op2Table& table, bool asResults) {
    std::string what = "table " + table.name;
    in_.expectMark(kTableStart, what + ": record mark " + std::to_string(kTableStart));
    std::uint64_t trailerOffset = in_.position();
    Op2Record trailer = in_.record(what + " trailer");
    if (trailer.words == 0) in_.damaged(trailerOffset, what + ": the trailer is missing");
    std::string trailerBytes = gathered(trailer);
    for (std::size_t i = 0; i < table.trailer.size() && i < trailer.words; ++i)
      table.trailer[i] = in_.word(trailerBytes.data() + i * in_.wordBytes());
    readMarks(kHeaderRecordMark, kResultsRecord, what);
    in_.record(what + " header record");
    std::int64_t number = kFirstRecordMark;
    bool identNext = true;
    Op2Subtable subtable;
    while (true) {
      std::int64_t kind = readMarks(number, -1, what);
      if (kind == kResultsRecord && in_.peekMark(what + ": the next record") == kEndOfTable) {
        in_.mark(what + ": end of table");
        break;
      }
      std::uint64_t recordOffset = in_.position();
      Op2Record record = in_.record(what + " record " + std::to_string(-number));
      --number;
      ++table.records;
      if (kind == kMatrixColumn) table.matrix = true;
      if (!asResults || table.matrix) continue;
      if (identNext) {
        if (record.words != kIdentWords)
          in_.damaged(recordOffset, what + ": an identification record (IDENT) of " + std::to_string(kIdentWords) +
                                        " words was expected, not " + std::to_string(record.words));
        subtable = Op2Subtable{};
        subtable.offset = recordOffset;
        readIdent(gathered(record), subtable.ident);
      } else {
        if (dataRecords_ == Op2DataRecords::InPlace)
          subtable.inPlace = std::move(record);
        else
          subtable.data = gathered(record);
        table.subtables.push_back(std::move(subtable));
      }
      identNext = !identNext;
    }
    if (table.matrix)
      table.subtables.clear();
    else if (asResults && !identNext)
      in_.damaged(subtable.offset, what + ": an identification record without its data record");
  }

  void readIdent(const std::string& bytes, Op2Ident& ident) const {
    std::size_t w = in_.wordBytes();
    for (std::size_t i = 0; i < kIdentIntegerWords; ++i) ident.words[i] = in_.word(bytes.data() + i * w);
    constexpr std::size_t kTextWords = kIdentTextLength / kTextBytesPerWord;
    ident.title = in_.text(bytes, kIdentIntegerWords, kTextWords);
    ident.subtitle = in_.text(bytes, kIdentIntegerWords + kTextWords, kTextWords);
    ident.label = in_.text(bytes, kIdentIntegerWords + 2 * kTextWords, kTextWords);
  }

  // The marks -k 1 f before a record; f is returned, or checked when `kind` is not -1.
  std::int64_t readMarks(std::int64_t number, std::int64_t kind, const std::string& what) {
    std::string markName = what + ": record mark " + std::to_string(number);
    in_.expectMark(number, markName);
    in_.expectMark(kRecordMarkOne, markName);
    std::uint64_t start = in_.position();
    std::int64_t value = in_.mark(markName);
    if (kind >= 0 && value != kind)
      in_.damaged(start, markName + ": " + std::to_string(kind) + " was expected, not " + std::to_string(value));
    if (value != kResultsRecord && value != kMatrixColumn)
      in_.damaged(start, markName + ": " + std::to_string(kResultsRecord) + " (results) or " +
                             std::to_string(kMatrixColumn) + " (matrix column) was expected, not " +
                             std::to_string(value));
    return value;
  }

  FramingReader in_;
  std::string_view bytes_;
  Op2DataRecords dataRecords_;
};

}  // namespace

Op2Words::Op2Words(std::size_t wordBytes) : wordBytes_(wordBytes) {
  assert(wordBytes == kShortWordBytes || wordBytes == kLongWordBytes);
}

void Op2Words::integer(std::int64_t value) {
  appendLittleEndian(bytes_, static_cast<std::uint64_t>(value), wordBytes_);
}

void Op2Words::real(double value) {
  if (wordBytes_ == kLongWordBytes)
    appendLittleEndian(bytes_, std::bit_cast<std::uint64_t>(value), wordBytes_);
  else
    appendLittleEndian(bytes_, std::bit_cast<std::uint32_t>(static_cast<float>(value)), wordBytes_);
}

void Op2Words::text(std::string_view characters, std::size_t words) {
  std::string padded(characters.substr(0, std::min(characters.size(), words * kTextBytesPerWord)));
  padded.resize(words * kTextBytesPerWord, ' ');
  for (std::size_t i = 0; i < words; ++i) {
    bytes_.append(padded, i * kTextBytesPerWord, kTextBytesPerWord);
    if (wordBytes_ == kLongWordBytes) bytes_.append(kLongWordBytes - kTextBytesPerWord, ' ');
  }
}

std::string Op2WordView::characters(std::size_t word, std::size_t words) const {
  const char* first = bytes_ + word * wordBytes_;
  if (wordBytes_ == kShortWordBytes) return std::string(first, words * kShortWordBytes);
  bool interlaced = true;
  for (std::size_t i = 0; i < words && interlaced; ++i)
    for (std::size_t b = kTextBytesPerWord; b < kLongWordBytes; ++b)
      interlaced = interlaced && isPadding(first[i * kLongWordBytes + b]);
  if (!interlaced) return std::string(first, words * kTextBytesPerWord);
  std::string characters;
  for (std::size_t i = 0; i < words; ++i) characters.append(first + i * kLongWordBytes, kTextBytesPerWord);
  return characters;
}

std::string Op2WordView::text(std::size_t word, std::size_t words) const {
  return trimmedText(characters(word, words));
}

bool looksLikeOutput2(std::string_view bytes) {
  if (bytes.size() >= kRecordLengthBytes) {
    std::uint32_t first = littleEndian32(bytes.data());
    if (first == kShortWordBytes || first == kLongWordBytes || first == kBigEndianShortWord ||
        first == kBigEndianLongWord)
      return true;
  }
  return isFormattedOutput2(bytes);
}

std::string describeWriter(const Op2File& file) {
  if (!file.form.fileHeader) return "";
  const std::string& label = file.label;
  if (label.rfind("NX", 0) == 0) return "NX Nastran " + label.substr(2);
  if (label.rfind("OS", 0) == 0) return "OptiStruct " + label.substr(2);
  if (label.rfind("NE", 0) == 0) return "NEi Nastran (label \"" + label + "\")";
  if (label == "XXXXXXXX")
    return file.form.version.empty() ? "MSC Nastran (before 2014)" : "MSC Nastran " + mscRelease(file.form.version);
  if (label.rfind("V20", 0) == 0) return "MSC Nastran " + label;
  return "a writer labelled \"" + label + "\"";
}

std::string writeOp2(const Op2File& file) {
  std::size_t wordBytes = file.form.wordBytes;
  FramingWriter out(wordBytes);
  bool versioned = !file.form.version.empty();
  if (file.form.fileHeader) {
    Op2Words date(wordBytes);
    for (int value : {file.date.month, file.date.day, file.date.year - 2000}) date.integer(value);
    out.block(date);
    Op2Words tape(wordBytes);
    tape.text(kTapeCode, kTapeCodeWords);
    out.block(tape);
    Op2Words label(wordBytes);
    label.text(file.label, kNameWords);
    out.block(label);
    if (versioned) out.block(versionWords(file.form.version, "", wordBytes));
    for (std::int64_t mark : kHeaderEnd) out.mark(mark);
  }
  for (const Op2Table& table : file.tables) {
    Op2Words name(wordBytes);
    name.text(table.name, kNameWords);
    out.block(name);
    if (versioned) out.block(versionWords(file.form.version, table.name, wordBytes));
    out.mark(kTableStart);
    Op2Words trailer(wordBytes);
    for (std::int64_t value : table.trailer) trailer.integer(value);
    out.block(trailer);
    out.marks({kHeaderRecordMark, kRecordMarkOne, kResultsRecord});
    Op2Words header = name;
    for (int value : {file.date.month, file.date.day, file.date.year - 2000, 0, 1}) header.integer(value);
    out.record(header.bytes());
    std::int64_t number = kFirstRecordMark;
    for (const Op2Subtable& subtable : table.subtables) {
      out.marks({number--, kRecordMarkOne, kResultsRecord});
      out.record(identWords(subtable.ident, wordBytes).bytes());
      out.marks({number--, kRecordMarkOne, kResultsRecord});
      out.record(subtable.data);
    }
    for (const std::string& column : table.columns) {
      out.marks({number--, kRecordMarkOne, kMatrixColumn});
      out.record(column);
    }
    out.marks({number, kRecordMarkOne, kResultsRecord, kEndOfTable});
  }
  out.mark(kEndOfFile);
  return out.take();
}

Op2File readOp2(std::string_view bytes, const std::string& fileName,
                const std::function<bool(std::string_view)>& wanted, Op2DataRecords dataRecords) {
  return Reader(bytes, fileName, dataRecords).read(wanted);
}

}  // namespace resultfiles
