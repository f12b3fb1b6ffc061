#include "support/record_reader.h"

#include <gtest/gtest.h>

#include "support/text_file.h"
#include "tests/support/scoped_temp_dir.h"

namespace support {
namespace {

// The lines of every record the reader yields.
std::vector<std::string> recordLines(std::string text) {
  RecordReader reader(std::move(text));
  std::vector<std::string> lines;
  while (reader.next()) lines.push_back(reader.line());
  return lines;
}

using Lines = std::vector<std::string>;

TEST(RecordReaderTest, SkipsBlankAndCommentLines) {
  EXPECT_EQ(recordLines("# header\n\n   \t \nfirst\n  # indented comment\nsecond # not a comment\n"),
            (Lines{"first", "second # not a comment"}));
  EXPECT_EQ(recordLines(""), Lines{});
  EXPECT_EQ(recordLines("# only\n\n"), Lines{});
}

TEST(RecordReaderTest, AcceptsCrLfAndLfAndTrimsBlanksAndTabs) {
  EXPECT_EQ(recordLines("  one  \r\n\r\n\ttwo\t\nthree"), (Lines{"one", "two", "three"}));
  EXPECT_EQ(recordLines("last without line end\r"), (Lines{"last without line end"}));
}

TEST(RecordReaderTest, KeepsLongLinesWhole) {
  const std::string longName(5000, 'n');
  RecordReader reader("Thickness  " + longName + "  end\r\n");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.fieldCount(), 3u);
  EXPECT_EQ(reader.field(2), longName);
  EXPECT_EQ(reader.field(3), "end");
}

TEST(RecordReaderTest, FieldsAreSplitAtRunsOfBlanksAndNumberedFromOne) {
  RecordReader reader("Prop_1_Thick  Prop \t 12    0.25\n");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.fieldCount(), 4u);
  EXPECT_EQ(reader.field(1), "Prop_1_Thick");
  EXPECT_EQ(reader.field(2), "Prop");
  EXPECT_EQ(reader.field(0), "");
  EXPECT_EQ(reader.field(5), "");
  EXPECT_EQ(splitFields("a  b\t\tc"), (std::vector<std::string_view>{"a", "b", "c"}));
  EXPECT_TRUE(splitFields("").empty());
}

TEST(RecordReaderTest, NumericFieldsFallBackWhenMissingOrNotNumbers) {
  RecordReader reader("name 12 1.5 abc 1E-05\n");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.intFieldValue(2), 12);
  EXPECT_EQ(reader.intFieldValue(3), std::nullopt);
  EXPECT_EQ(reader.intFieldValue(9), std::nullopt);
  EXPECT_EQ(reader.intField(4, -1), -1);
  EXPECT_EQ(reader.intField(6, 7), 7);
  EXPECT_EQ(reader.realFieldValue(3), 1.5);
  EXPECT_EQ(reader.realFieldValue(5), 1e-5);
  EXPECT_EQ(reader.realFieldValue(4), std::nullopt);
  EXPECT_EQ(reader.realField(2, 0.0), 12.0);
  EXPECT_EQ(reader.realField(6, 2.5), 2.5);
}

TEST(RecordReaderTest, HeaderTextAfterTheFirstEquals) {
  RecordReader reader(
      "Reference Model (FEMAP) =  plate.mod \r\nInput Deck (NastranNX) = a=b.dat\r\nNo equals\r\n");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.textAfterEquals(), "plate.mod");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.field(3), "(NastranNX)");
  EXPECT_EQ(reader.textAfterEquals(), "a=b.dat");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.textAfterEquals(), "");
}

TEST(RecordReaderTest, AtEndLooksPastTrailingCommentsAndNextStopsAtTheEnd) {
  RecordReader reader("one\n# trailing comment\n\n");
  EXPECT_FALSE(reader.atEnd());
  ASSERT_TRUE(reader.next());
  EXPECT_TRUE(reader.atEnd());
  EXPECT_FALSE(reader.next());
  EXPECT_EQ(reader.line(), "");
  EXPECT_EQ(reader.fieldCount(), 0u);
  EXPECT_FALSE(reader.next());
}

TEST(RecordReaderTest, MovedAndCopiedReadersKeepTheirFields) {
  RecordReader original("a b\nc d\n");
  ASSERT_TRUE(original.next());
  RecordReader copy = original;
  RecordReader moved = std::move(original);
  EXPECT_EQ(copy.field(2), "b");
  EXPECT_EQ(moved.field(2), "b");
  ASSERT_TRUE(moved.next());
  EXPECT_EQ(moved.field(1), "c");
}

TEST(RecordReaderTest, ReadsFilesAndNamesAMissingOne) {
  test::ScopedTempDir folder;
  writeFileAtomically(folder / "Respull.txt", "# comment\r\nmaxval  3\r\n");
  RecordReader reader = RecordReader::fromFile(folder / "Respull.txt");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.intField(2, 0), 3);
  EXPECT_THROW(RecordReader::fromFile(folder / "absent.txt"), std::system_error);
}

}  // namespace
}  // namespace support
