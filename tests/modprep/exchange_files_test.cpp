// The readers of "Modprep.txt", "InputValues.txt" and "FunctionsInputvalues.txt".
#include <gtest/gtest.h>

#include "modprep/exchange_records.h"
#include "modprep/function_inputs.h"
#include "modprep/input_values.h"
#include "support/err.h"

namespace modprep {
namespace {

VariableRecord recordOf(const std::string& line) {
  support::RecordReader reader(line);
  reader.next();
  return variableRecord(reader);
}

TEST(VariableRecordTest, FieldsTakeTheirDefaultsWhenMissingOrNotNumbers) {
  VariableRecord full = recordOf("Prop  T1  12  pval  3");
  EXPECT_EQ(full.entityType, "Prop");
  EXPECT_EQ(full.name, "T1");
  EXPECT_EQ(full.entityId, 12);
  EXPECT_EQ(full.member, "pval");
  EXPECT_EQ(full.index, 3);

  VariableRecord plain = recordOf("Node  X5  5  x    ");
  EXPECT_EQ(plain.index, -1);
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

TEST(VariableRecordTest, LoadKindsAreComparedExactly) {
  for (const char* kind : {"LoadMesh", "LoadGeom", "LoadETemp", "LoadNTemp"})
    EXPECT_TRUE(isLoadKind(kind));
  for (const char* kind : {"loadmesh", "Load", "LoadMeshX", ""}) EXPECT_FALSE(isLoadKind(kind));
}

TEST(InputValuesTest, TheLastOccurrenceOfANameHolds) {
  InputValues values = InputValues::read(support::RecordReader(
      "# values of iteration 7\r\nA  1\r\n\r\nB  2.5E-3\r\nA  -4\r\nC  abc\r\nD\r\nB  1e400\r\n"));
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

TEST(FunctionInputsTest, BlocksAreFoundAfterAnyOtherText) {
  FunctionInputReader reader(
      "header\r\nFunction Definition \r\nFunction Definition\r\n 3 \r\nT\r\n 0\r\nfree "
      "text\nFunction "
      "Definition\n 4\n");
  ASSERT_TRUE(reader.findBlock());
  EXPECT_EQ(reader.readLine(), " 3 ");
  EXPECT_EQ(reader.readLine(), "T");
  EXPECT_EQ(functionInteger(reader.readLine()), 0);
  ASSERT_TRUE(reader.findBlock());
  EXPECT_EQ(functionInteger(reader.readLine()), 4);
  EXPECT_THROW(reader.readLine(), support::RuntimeError);
  EXPECT_FALSE(reader.findBlock());
}

TEST(FunctionInputsTest, NumbersReadBackExactly) {
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

}  // namespace
}  // namespace modprep
