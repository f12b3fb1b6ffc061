#include "resultfiles/op2_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

constexpr std::string_view kTapeCode = "NASTRAN FORT TAPE ID CODE - ";
// Long data records are split into blocks of at most this many words, each with its own
// length word, as Nastran splits them by its buffer size.
constexpr std::size_t kBlockWords = 65536;

void appendWord(std::string& out, Word word) {
  char bytes[4] = {static_cast<char>(word & 0xff), static_cast<char>((word >> 8) & 0xff),
                   static_cast<char>((word >> 16) & 0xff), static_cast<char>((word >> 24) & 0xff)};
  out.append(bytes, 4);
}

Word wordAt(std::string_view bytes, std::size_t position) { return littleEndianWord(bytes.data() + position); }

// Characters as words, blank-padded to `length` (a multiple of 4).
std::vector<Word> textWords(std::string_view text, std::size_t length) {
  std::string padded(text.substr(0, std::min(text.size(), length)));
  padded.resize(length, ' ');
  std::vector<Word> words;
  for (std::size_t i = 0; i < length; i += 4) words.push_back(wordAt(padded, i));
  return words;
}

// Characters as they stand in the file, trailing blanks removed.
std::string trimmedText(std::string_view characters) {
  std::size_t end = characters.find_last_not_of(' ');
  return std::string(characters.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::string wordsText(const Word* words, std::size_t count) {
  std::string characters;
  for (std::size_t i = 0; i < count; ++i) appendWord(characters, words[i]);
  return trimmedText(characters);
}

// The words of a record, copied out of the file's bytes.
std::vector<Word> wordsOf(const Op2Record& record) {
  std::vector<Word> words(record.words);
  Word* out = words.data();
  for (std::string_view block : record.blocks) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(out, block.data(), block.size());
    } else {
      for (std::size_t i = 0; i < block.size(); i += 4) out[i / 4] = littleEndianWord(block.data() + i);
    }
    out += block.size() / 4;
  }
  return words;
}

class Writer {
 public:
  // A Fortran record: its length in bytes, the words, the length again.
  void fortranRecord(const Word* words, std::size_t count) {
    Word length = static_cast<Word>(count * 4);
    appendWord(out_, length);
    out_.reserve(out_.size() + count * 4 + 4);
    for (std::size_t i = 0; i < count; ++i) appendWord(out_, words[i]);
    appendWord(out_, length);
  }
  void wordRecord(std::int32_t value) {
    Word word = intWord(value);
    fortranRecord(&word, 1);
  }
  // A data record: each block preceded by its word count.
  void dataRecord(const std::vector<Word>& words) {
    std::size_t done = 0;
    do {
      std::size_t count = std::min(kBlockWords, words.size() - done);
      wordRecord(static_cast<std::int32_t>(count));
      fortranRecord(words.data() + done, count);
      done += count;
    } while (done < words.size());
  }
  void marker(std::int32_t recordNumber) {
    wordRecord(recordNumber);
    wordRecord(1);
    wordRecord(0);
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

std::vector<Word> identWords(const Op2Ident& ident) {
  std::vector<Word> words(ident.words.begin(), ident.words.end());
  for (const std::string* text : {&ident.title, &ident.subtitle, &ident.label}) {
    std::vector<Word> more = textWords(*text, kIdentTextLength);
    words.insert(words.end(), more.begin(), more.end());
  }
  return words;
}

class Reader {
 public:
  Reader(std::string_view bytes, const std::string& fileName, Op2DataRecords dataRecords)
      : bytes_(bytes), fileName_(fileName), dataRecords_(dataRecords) {}

  Op2File read(const std::function<bool(std::string_view)>& wanted) {
    Op2File file;
    readHeader(file);
    while (true) {
      std::uint64_t offset = position_;
      std::int32_t key = wordRecord("the name of the next table or the end-of-file mark");
      if (key == 0) break;
      if (key != 2) fail(offset, "a table name (a record of 2 words) or the end-of-file mark was expected, not " + std::to_string(key));
      Op2Table table;
      table.offset = offset;
      table.name = trimmedText(fortranRecord(2, "table name"));
      readTable(table, wanted(table.name));
      file.tables.push_back(std::move(table));
    }
    if (position_ != bytes_.size())
      fail(position_, std::to_string(bytes_.size() - position_) + " bytes follow the end-of-file mark");
    return file;
  }

 private:
  [[noreturn]] void fail(std::uint64_t offset, const std::string& reason) const {
    throw FormatError(fileName_, FormatError::Place::Byte, offset, reason);
  }

  void requireBytes(std::size_t count, std::uint64_t offset, const std::string& what) const {
    if (bytes_.size() - position_ < count)
      fail(offset, "the file ends inside " + what + " (truncated?)");
  }

  // One Fortran record of `words` words: its words' bytes.
  std::string_view fortranRecord(std::size_t words, const std::string& what) {
    requireBytes(4, position_, what);
    std::uint64_t start = position_;
    Word length = wordAt(bytes_, position_);
    if (length % 4 != 0) fail(start, what + ": a record of " + std::to_string(length) + " bytes, which is no whole number of 4-byte words");
    if (length != words * 4)
      fail(start, what + ": a record of " + std::to_string(length / 4) + " words where " + std::to_string(words) + " were expected");
    if (bytes_.size() - position_ - 4 < static_cast<std::size_t>(length) + 4) {
      fail(start, "the file ends inside " + what + " (a record of " + std::to_string(length) +
                      " bytes is announced; truncated?)");
    }
    std::string_view record = bytes_.substr(position_ + 4, length);
    position_ += 4 + length;
    if (wordAt(bytes_, position_) != length)
      fail(position_, what + ": the record's closing length " + std::to_string(wordAt(bytes_, position_)) +
                          " does not match its opening length " + std::to_string(length) + " (damaged file)");
    position_ += 4;
    return record;
  }

  std::int32_t wordRecord(const std::string& what) {
    std::uint64_t start = position_;
    if (bytes_.size() - position_ < 12) fail(start, "the file ends where " + what + " should be (truncated?)");
    return asInt(littleEndianWord(fortranRecord(1, what).data()));
  }

  std::int32_t peekWordRecord(const std::string& what) {
    std::size_t saved = position_;
    std::int32_t value = wordRecord(what);
    position_ = saved;
    return value;
  }

  void expectWord(std::int32_t expected, const std::string& what) {
    std::uint64_t start = position_;
    std::int32_t value = wordRecord(what);
    if (value != expected)
      fail(start, what + ": " + std::to_string(expected) + " was expected, not " + std::to_string(value));
  }

  // Key and blocks up to the next marker, left where they lie.
  Op2Record dataRecord(const std::string& what) {
    Op2Record record;
    while (true) {
      std::uint64_t start = position_;
      std::int32_t count = wordRecord(what);
      if (count <= 0) fail(start, what + ": a word count was expected, not " + std::to_string(count));
      std::uint64_t blockStart = position_;
      requireBytes(4, blockStart, what);
      Word length = wordAt(bytes_, position_);
      if (length != static_cast<Word>(count) * 4)
        fail(blockStart, what + ": a block of " + std::to_string(length) + " bytes where " + std::to_string(count) +
                             " words were announced");
      if (bytes_.size() - position_ - 4 < static_cast<std::size_t>(length) + 4)
        fail(blockStart, "the file ends inside " + what + " (a block of " + std::to_string(length) +
                             " bytes is announced; truncated?)");
      record.blocks.push_back(bytes_.substr(position_ + 4, length));
      record.words += length / 4;
      position_ += 4 + length;
      if (wordAt(bytes_, position_) != length)
        fail(position_, what + ": the block's closing length " + std::to_string(wordAt(bytes_, position_)) +
                            " does not match its opening length " + std::to_string(length) + " (damaged file)");
      position_ += 4;
      if (peekWordRecord(what + " or the record mark after it") <= 0) return record;
    }
  }

  void readHeader(Op2File& file) {
    if (bytes_.size() < 4) fail(0, "not an OUTPUT2 file: it is " + std::to_string(bytes_.size()) + " bytes long");
    Word first = wordAt(bytes_, 0);
    if (first == 0x04000000u) fail(0, "a big-endian OUTPUT2 file; only little-endian files are read");
    if (first == 8) fail(0, "an OUTPUT2 file of 8-byte words; only files of 4-byte words are read");
    if (first != 4) fail(0, "not an OUTPUT2 file: it does not begin with a Fortran record of one word");
    std::int32_t dateWords = wordRecord("the file header");
    if (dateWords != 3)
      fail(0, "the file header announces " + std::to_string(dateWords) + " date words where 3 were expected "
                  "(only files written with PARAM,POST,-1 are read)");
    std::string_view date = fortranRecord(3, "the date record");
    // The year is written less 2000; a damaged year word wraps round rather than overflow.
    std::int32_t year = asInt(2000u + wordAt(date, 8));
    file.date = {asInt(wordAt(date, 0)), asInt(wordAt(date, 4)), year};
    expectWord(7, "the length of the tape code");
    std::uint64_t tapeOffset = position_;
    if (fortranRecord(7, "the tape code") != kTapeCode)
      fail(tapeOffset, "the tape code is not \"" + std::string(kTapeCode) + "\"");
    expectWord(2, "the length of the label");
    file.label = trimmedText(fortranRecord(2, "the label"));
    expectWord(-1, "the end of the file header");
    expectWord(0, "the end of the file header");
  }

  void readTable(Op2Table& table, bool asResults) {
    std::string what = "table " + table.name;
    expectWord(-1, what + ": record mark -1");
    std::uint64_t trailerOffset = position_;
    std::int32_t trailerWords = wordRecord(what + ": trailer length");
    if (trailerWords != 7) fail(trailerOffset, what + ": a trailer of 7 words was expected, not " + std::to_string(trailerWords));
    std::string_view trailer = fortranRecord(7, what + " trailer");
    for (std::size_t i = 0; i < table.trailer.size(); ++i) table.trailer[i] = wordAt(trailer, 4 * i);
    readMarker(-2, what);
    table.header = wordsOf(dataRecord(what + " header record"));
    std::int32_t number = -3;
    bool identNext = true;
    Op2Subtable subtable;
    while (true) {
      readMarker(number, what);
      if (peekWordRecord(what + ": the next record") == 0) {
        wordRecord(what + ": end of table");
        break;
      }
      std::uint64_t recordOffset = position_;
      Op2Record record =
          peekWordRecord(what + ": the next record") < 0 ? Op2Record{} : dataRecord(what + " record " + std::to_string(-number));
      --number;
      ++table.records;
      if (!asResults) continue;
      if (identNext) {
        if (record.words != kIdentWords)
          fail(recordOffset, what + ": an identification record (IDENT) of " + std::to_string(kIdentWords) +
                                 " words was expected, not " + std::to_string(record.words));
        subtable = Op2Subtable{};
        subtable.offset = recordOffset;
        std::vector<Word> ident = wordsOf(record);
        std::copy(ident.begin(), ident.begin() + kIdentIntegerWords, subtable.ident.words.begin());
        const Word* texts = ident.data() + kIdentIntegerWords;
        subtable.ident.title = wordsText(texts, kIdentTextLength / 4);
        subtable.ident.subtitle = wordsText(texts + kIdentTextLength / 4, kIdentTextLength / 4);
        subtable.ident.label = wordsText(texts + kIdentTextLength / 2, kIdentTextLength / 4);
      } else {
        if (dataRecords_ == Op2DataRecords::InPlace) subtable.inPlace = std::move(record);
        else subtable.data = wordsOf(record);
        table.subtables.push_back(std::move(subtable));
      }
      identNext = !identNext;
    }
    if (asResults && !identNext) fail(subtable.offset, what + ": an identification record without its data record");
  }

  void readMarker(std::int32_t number, const std::string& what) {
    std::uint64_t start = position_;
    std::int32_t value = wordRecord(what + ": record mark " + std::to_string(number));
    if (value != number)
      fail(start, what + ": record mark " + std::to_string(number) + " was expected, not " + std::to_string(value));
    expectWord(1, what + ": record mark " + std::to_string(number));
    expectWord(0, what + ": record mark " + std::to_string(number));
  }

  std::string_view bytes_;
  const std::string& fileName_;
  Op2DataRecords dataRecords_;
  std::size_t position_ = 0;
};

}  // namespace

std::string writeOp2(const Op2File& file) {
  Writer out;
  out.wordRecord(3);
  Word date[3] = {intWord(file.date.month), intWord(file.date.day), intWord(file.date.year - 2000)};
  out.fortranRecord(date, 3);
  out.wordRecord(7);
  std::vector<Word> tape = textWords(kTapeCode, kTapeCode.size());
  out.fortranRecord(tape.data(), tape.size());
  out.wordRecord(2);
  std::vector<Word> label = textWords(file.label, 8);
  out.fortranRecord(label.data(), label.size());
  out.wordRecord(-1);
  out.wordRecord(0);
  for (const Op2Table& table : file.tables) {
    out.wordRecord(2);
    std::vector<Word> name = textWords(table.name, 8);
    out.fortranRecord(name.data(), name.size());
    out.wordRecord(-1);
    out.wordRecord(7);
    out.fortranRecord(table.trailer.data(), table.trailer.size());
    out.marker(-2);
    std::vector<Word> header = name;
    for (int value : {file.date.month, file.date.day, file.date.year - 2000, 0, 1}) header.push_back(intWord(value));
    out.dataRecord(header);
    std::int32_t number = -3;
    for (const Op2Subtable& subtable : table.subtables) {
      out.marker(number--);
      out.dataRecord(identWords(subtable.ident));
      out.marker(number--);
      if (!subtable.data.empty()) out.dataRecord(subtable.data);
    }
    out.marker(number);
    out.wordRecord(0);
  }
  out.wordRecord(0);
  return out.take();
}

Op2File readOp2(std::string_view bytes, const std::string& fileName,
                const std::function<bool(std::string_view)>& wanted, Op2DataRecords dataRecords) {
  return Reader(bytes, fileName, dataRecords).read(wanted);
}

}  // namespace resultfiles
