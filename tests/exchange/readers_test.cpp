// The readers of the exchange files on hand-written and damaged input.
#include <gtest/gtest.h>

#include "exchange/functions_file.h"
#include "exchange/modprep_file.h"
#include "exchange/respull_file.h"
#include "exchange/value_files.h"
#include "exchange/vocabulary.h"
#include "support/err.h"

namespace exchange {
namespace {

const std::string kModprepHead =
    "Reference Model (FEMAP) = plate.mod\r\nInput Deck (NastranNX) = plate.dat\r\n"
    "NameValue = InputValues.txt\r\n";

VariableRecord recordOf(const std::string& line) {
  ModprepFile file = parseModprepFile(kModprepHead + line + "\r\n");
  EXPECT_EQ(file.records.size(), 1u);
  return file.records.empty() ? VariableRecord() : file.records[0];
}

TEST(ModprepFileTest, HeaderLinesGiveTheirTagAndTheTextAfterTheFirstEquals) {
  ModprepFile file = parseModprepFile(
      "# made by hand\n\n  Reference Model (FEMAP) =  my model.mod  \nDeck (NastranNE) = a=b.nas\n"
      "no equals here\nNode  X1  1  x\n");
  EXPECT_EQ(file.reference.tag, "(FEMAP)");
  EXPECT_EQ(file.reference.file, "my model.mod");
  EXPECT_EQ(file.deck.tag, "=");  // the label words are never compared: field 3 is what it is
  EXPECT_EQ(file.deck.file, "a=b.nas");
  EXPECT_EQ(file.values.file, "");
  ASSERT_EQ(file.records.size(), 1u);

  ModprepFile headerOnly = parseModprepFile("A (B) = c\n");
  EXPECT_EQ(headerOnly.reference.file, "c");
  EXPECT_EQ(headerOnly.deck.tag, "");
  EXPECT_TRUE(headerOnly.records.empty());
}

TEST(ModprepFileTest, RecordFieldsTakeTheirDefaultsWhenMissingOrNotNumbers) {
  VariableRecord full = recordOf("Prop  T1  12  pval  3");
  EXPECT_EQ(full.entityType, "Prop");
  EXPECT_EQ(full.name, "T1");
  EXPECT_EQ(full.entityId, 12);
  EXPECT_EQ(full.member, "pval");
  EXPECT_EQ(full.index, 3);

  EXPECT_EQ(recordOf("Node  X5  5  x    ").index, -1);
  VariableRecord bare = recordOf("Elem  E1");
  EXPECT_EQ(bare.entityId, 0);
  EXPECT_EQ(bare.member, "");
  VariableRecord word = recordOf("Node\tX\tfive\tx\tone");
  EXPECT_EQ(word.entityId, 0);
  EXPECT_EQ(word.entityIdText, "five");
  EXPECT_EQ(word.index, -1);

  VariableRecord big = recordOf("Node  X  70000  x  -40000");
  EXPECT_FALSE(fitsInt16(big.entityId));
  EXPECT_FALSE(fitsInt16(big.index));
  EXPECT_TRUE(fitsInt16(32767));
  EXPECT_TRUE(fitsInt16(-32768));
  EXPECT_FALSE(fitsInt16(32768));
}

TEST(VocabularyTest, LoadKindsAreExactEntityKindsIgnoreCase) {
  for (const char* kind : {"LoadMesh", "LoadGeom", "LoadETemp", "LoadNTemp"})
    EXPECT_TRUE(isLoadKind(kind));
  for (const char* kind : {"loadmesh", "Load", "LoadMeshX", ""}) EXPECT_FALSE(isLoadKind(kind));
  for (const char* kind : {"Node", "elem", "PROP", "Matl", "CSys"}) EXPECT_TRUE(isEntityKind(kind));
  for (const char* kind : {"FileClose", "Function", "LoadMesh", ""}) EXPECT_FALSE(isEntityKind(kind));
}

TEST(InputValuesTest, TheLastOccurrenceOfANameHolds) {
  InputValues values = InputValues::parse(
      "# values of iteration 7\r\nA  1\r\n\r\nB  2.5E-3\r\nA  -4\r\nC  abc\r\nD\r\nB  1e400\r\n");
  EXPECT_EQ(values.variableCount(), 6u);
  ASSERT_EQ(values.find("A"), 2);
  EXPECT_EQ(values.variableValue(2), -4);
  EXPECT_EQ(values.variableValue(1), 0.0025);
  EXPECT_EQ(values.variableValue(values.find("C")), std::nullopt);
  EXPECT_EQ(values.valueText(values.find("C")), "abc");
  EXPECT_EQ(values.variableValue(values.find("D")), std::nullopt);
  EXPECT_EQ(values.variableValue(values.find("B")), std::nullopt);  // beyond a double
  EXPECT_EQ(values.find("a"), -1);                                  // names are exact
  EXPECT_EQ(values.find(""), -1);
  // Where a name is expected only counts when it holds the name's last occurrence.
  EXPECT_EQ(values.find("A", 0), 2);
  EXPECT_EQ(values.find("A", 2), 2);
  EXPECT_EQ(values.find("B", 2), 5);
  EXPECT_EQ(values.find("C", 99), 3);
}

TEST(FunctionsFileTest, BlocksAreFoundAfterAnyOtherText) {
  FunctionsFile file = parseFunctionsFile(
      "header\r\nFunction Definition \r\nFunction Definition\r\n 3 \r\nT\r\n 0\r\nfree text\n"
      "Function Definition\n 4\nU\n 1\n 1_2\n");
  ASSERT_EQ(file.blocks.size(), 2u);
  EXPECT_EQ(file.blocks[0].idLine, " 3 ");
  EXPECT_EQ(file.blocks[0].title, "T");
  EXPECT_EQ(file.blocks[0].id, 3);
  EXPECT_EQ(file.blocks[0].count, 0);
  EXPECT_EQ(file.blocks[1].id, 4);
  ASSERT_EQ(file.blocks[1].lines.size(), 1u);
  EXPECT_EQ(file.blocks[1].lines[0].point->y, 2);
  EXPECT_FALSE(file.endsInsideBlock);
  EXPECT_FALSE(file.blocks[1].pointsMissing());
}

TEST(FunctionsFileTest, DamagedBlocksSayWhatIsWrongAndKeepTheirPlace) {
  // A bad ID: the count line is not read, so the search for the next block goes on from there.
  FunctionsFile file = parseFunctionsFile(
      "Function Definition\nx\nBad ID\nFunction Definition\n 2 \nBad count\n-1\n"
      "Function Definition\n 5 \nShort\n 3\n 1_1\n oops\n");
  ASSERT_EQ(file.blocks.size(), 3u);
  EXPECT_NE(file.blocks[0].headerError.find("is not a whole number"), std::string::npos);
  EXPECT_EQ(file.blocks[1].headerError, "Invalid point count -1");
  const FunctionBlock& shortBlock = file.blocks[2];
  EXPECT_EQ(shortBlock.headerError, "");
  ASSERT_EQ(shortBlock.lines.size(), 2u);
  EXPECT_TRUE(shortBlock.lines[0].point);
  EXPECT_FALSE(shortBlock.lines[1].point);
  EXPECT_NE(shortBlock.lines[1].error.find("has no \"_\""), std::string::npos);
  EXPECT_TRUE(shortBlock.pointsMissing());

  EXPECT_EQ(parseFunctionsFile("Function Definition\n 7 \nNo count\n").blocks[0].headerError,
            "Input past end of file");
  EXPECT_TRUE(parseFunctionsFile("Function Definition\n 7 \n").endsInsideBlock);
  // A count far beyond the lines there are reads the lines there are.
  EXPECT_EQ(parseFunctionsFile("Function Definition\n 1 \nT\n 2147483647\n 0_0\n")
                .blocks[0]
                .lines.size(),
            1u);
}

TEST(FunctionsFileTest, NumbersReadBackExactly) {
  FunctionPoint point = functionPoint("-1.5_ 2");
  EXPECT_EQ(point.x, -1.5);
  EXPECT_EQ(point.y, 2);
  point = functionPoint(" 1.23456789012345E-07_-9.87654321098765E+200");
  EXPECT_EQ(point.x, 1.23456789012345e-07);
  EXPECT_EQ(point.y, -9.87654321098765e+200);
  EXPECT_EQ(functionInteger(" -2147483648 "), -2147483647 - 1);

  EXPECT_THROW(functionPoint(" 1 2"), support::RuntimeError);
  EXPECT_THROW(functionPoint(" 1_"), support::RuntimeError);
  EXPECT_THROW(functionPoint("x_1"), support::RuntimeError);
  EXPECT_THROW(functionInteger(" 2147483648"), support::RuntimeError);
  EXPECT_THROW(functionInteger(" 1.5"), support::RuntimeError);
  EXPECT_THROW(functionInteger(""), support::RuntimeError);
}

TEST(RespullFileTest, RecordFieldsTakeTheirDefaultsWhenMissing) {
  RespullFile file = parseRespullFile(
      "A (FEMAP) = a.mod\nB (NastranNX) = a.op2\nC = Out.txt\n"
      "Output  Disp  12  1\nMassProperties  M  MassTotal\nmaxval  S\n");
  ASSERT_EQ(file.records.size(), 3u);
  EXPECT_EQ(file.records[0].kind, "Output");
  EXPECT_EQ(file.records[0].name, "Disp");
  EXPECT_EQ(file.records[0].entityId, 12);
  EXPECT_EQ(file.records[0].vector, 1);
  EXPECT_EQ(file.records[1].entity, "MassTotal");
  EXPECT_EQ(file.records[1].entityId, 0);
  EXPECT_EQ(file.records[1].vector, 0);
  EXPECT_EQ(file.records[2].entity, "");
}

TEST(RespullFileTest, TheOutputFileIsNamedAfterTheOptionalDeleteAndTwoHeaderLines) {
  const std::string header = "Reference Model (FEMAP) = a.mod\nResults File (NastranNX) = a.op2\n";
  auto outputOf = [](const std::string& text) { return outputFileName(parseRespullFile(text)); };
  EXPECT_EQ(outputOf(header + "OutputNameValue =  Out.txt \nOutput  A  1  1\n"), "Out.txt");
  EXPECT_EQ(outputOf("# comment\ndelete\n" + header + "OutputNameValue = B.txt\n"), "B.txt");
  EXPECT_EQ(outputOf(header), "OutputValues.txt");
  EXPECT_EQ(outputOf(""), "OutputValues.txt");
  EXPECT_EQ(outputOf("DELETE\n"), "OutputValues.txt");

  EXPECT_TRUE(parseRespullFile("Delete  x\n").deleteResults);
  RespullFile notDelete = parseRespullFile("DELETEX\n");
  EXPECT_FALSE(notDelete.deleteResults);
  EXPECT_EQ(notDelete.headerLines, 1);
  // Only the very first record can be the DELETE record.
  EXPECT_FALSE(parseRespullFile(header + "DELETE\n").deleteResults);
}

TEST(MassQuantityTest, WordsSelectScalarsOrArrayComponents) {
  MassProperties mass;
  mass.scalars = {1, 2, 3, 4, 5, 6};
  mass.arrays = {std::vector<double>{7, 8, 9}, {}, {10, 11, 12}, {}, {1, 2, 3, 4, 5, 6}};
  EXPECT_EQ(massQuantity(mass, "Length", 5), 1);
  EXPECT_EQ(massQuantity(mass, "Vol", 0), 3);
  EXPECT_EQ(massQuantity(mass, "MassNonStructural", 0), 5);
  EXPECT_EQ(massQuantity(mass, "StructuralCG", 2), 9);
  EXPECT_EQ(massQuantity(mass, "TotalCG", 1), 11);
  EXPECT_EQ(massQuantity(mass, "InertiaCG", 5), 6);
  EXPECT_EQ(massQuantity(mass, "length", 0), std::nullopt);
  EXPECT_EQ(massQuantity(mass, "Volume", 0), std::nullopt);
  EXPECT_THROW(massQuantity(mass, "TotalCG", 3), support::RuntimeError);
  EXPECT_THROW(massQuantity(mass, "TotalCG", -1), support::RuntimeError);
  EXPECT_THROW(massQuantity(mass, "NonStructuralCG", 0), support::RuntimeError);  // measured empty
}

}  // namespace
}  // namespace exchange
