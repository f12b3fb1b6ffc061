// The program's command line as one text: on Windows the raw text after the program's name,
// which is what the programs split by their own rules.
#include "support/command_line.h"

#include <gtest/gtest.h>

namespace support {
namespace {

TEST(CommandLineTest, TheProgramTokenEndsAtItsClosingQuoteOrItsFirstBlank) {
  EXPECT_EQ(argumentsOfRawCommandLine(R"("C:\Program Files\Corvane\Modprep.exe" C:\work dir)"),
            R"(C:\work dir)");
  EXPECT_EQ(argumentsOfRawCommandLine("Regprobe.exe\tC:\\r.txt$$femap.model"),
            "C:\\r.txt$$femap.model");
  // Quotes and blanks inside the arguments stay as the caller wrote them.
  EXPECT_EQ(argumentsOfRawCommandLine(R"(pane.exe   "C:\a b\plate.mod"$"x.log"$ DEBUG )"),
            R"("C:\a b\plate.mod"$"x.log"$ DEBUG )");
}

TEST(CommandLineTest, AProgramWithoutArgumentsHasAnEmptyCommandLine) {
  EXPECT_EQ(argumentsOfRawCommandLine("Modprep.exe"), "");
  EXPECT_EQ(argumentsOfRawCommandLine(R"("C:\x\Modprep.exe")"), "");
  EXPECT_EQ(argumentsOfRawCommandLine(R"("C:\x\Modprep.exe"   )"), "");
  EXPECT_EQ(argumentsOfRawCommandLine(""), "");
}

TEST(CommandLineTest, ElsewhereTheArgumentsAreJoinedByBlanks) {
#ifndef _WIN32
  const char* argv[] = {"Modprep", "/work/a", "b"};
  EXPECT_EQ(programCommandLine(3, argv), "/work/a b");
  EXPECT_EQ(programCommandLine(1, argv), "");
#else
  GTEST_SKIP() << "Windows hands the programs the raw command line";
#endif
}

}  // namespace
}  // namespace support
