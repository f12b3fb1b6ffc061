#include "support/text_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/temp_dir.h"

namespace support {
namespace {

TEST(TextBufferTest, PiecesAndLinesKeepTheirOrderAcrossGrowth) {
  TextBuffer text;
  std::string expected;
  for (int k = 0; k < 5000; ++k) {
    const std::string piece = std::to_string(k);
    text.add(piece);
    text.add("");
    text.line("  x");
    expected += piece + "  x\r\n";
  }
  EXPECT_EQ(text.view(), expected);
}

TEST(TextBufferTest, IndentedLinesHaveExactlyTheirBlanksAlsoBeyondThirtyTwo) {
  TextBuffer text;
  text.indentedLine(0, "none");
  text.indentedLine(4, "four");
  text.indentedLine(40, "");
  text.line();
  EXPECT_EQ(text.view(), "none\r\n    four\r\n" + std::string(40, ' ') + "\r\n\r\n");
}

// Small and large pieces, beyond a buffer's piece, reach the writer whole and in order.
TEST(TextBufferTest, AWriterGetsEveryPieceInOrder) {
  testing_support::ScopedTempDir dir;
  std::string expected;
  {
    TextFileWriter writer(dir / "out.txt");
    TextBuffer text(&writer);
    const std::string large(TextBuffer::kBlock + 17, 'L');
    const std::string half(TextBuffer::kBlock / 2 + 3, 'H');
    for (int k = 0; k < 300000; ++k) {
      const std::string piece = std::to_string(k);
      text.line(piece);
      expected += piece + "\r\n";
      if (k % 100000 == 7) {
        text.add(large);
        text.add(half);
        expected += large + half;
      }
    }
    text.flush();
    EXPECT_EQ(text.view(), "");
    writer.commit();
  }
  EXPECT_EQ(dir.read("out.txt"), expected);
}

}  // namespace
}  // namespace support
