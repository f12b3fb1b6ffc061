// The reader of "Respull.txt" and the mass-property words.
#include "respull/output_records.h"

#include <gtest/gtest.h>

#include "respull/mass_properties.h"
#include "support/err.h"

namespace respull {
namespace {

TEST(OutputRecordTest, FieldsTakeTheirDefaultsWhenMissing) {
  support::RecordReader reader("Output  Disp  12  1\nMassProperties  M  MassTotal\nmaxval  S\n");
  reader.next();
  OutputRecord record = outputRecord(reader);
  EXPECT_EQ(record.kind, "Output");
  EXPECT_EQ(record.name, "Disp");
  EXPECT_EQ(record.entityId, 12);
  EXPECT_EQ(record.vector, 1);
  reader.next();
  record = outputRecord(reader);
  EXPECT_EQ(record.entity, "MassTotal");
  EXPECT_EQ(record.entityId, 0);
  EXPECT_EQ(record.vector, 0);
  reader.next();
  EXPECT_EQ(outputRecord(reader).entity, "");
}

TEST(OutputRecordTest, TheOutputFileIsNamedAfterTheOptionalDeleteAndTwoHeaderLines) {
  const std::string header = "Reference Model (FEMAP) = a.mod\nResults File (NastranNX) = a.op2\n";
  EXPECT_EQ(outputFileName(
                support::RecordReader(header + "OutputNameValue =  Out.txt \nOutput  A  1  1\n")),
            "Out.txt");
  EXPECT_EQ(outputFileName(support::RecordReader("# comment\ndelete\n" + header +
                                                 "OutputNameValue = B.txt\n")),
            "B.txt");
  EXPECT_EQ(outputFileName(support::RecordReader(header)), "OutputValues.txt");
  EXPECT_EQ(outputFileName(support::RecordReader("")), "OutputValues.txt");
  EXPECT_EQ(outputFileName(support::RecordReader("DELETE\n")), "OutputValues.txt");

  support::RecordReader reader("Delete  x\nDELETEX\n");
  reader.next();
  EXPECT_TRUE(isDeleteRecord(reader));
  reader.next();
  EXPECT_FALSE(isDeleteRecord(reader));
}

TEST(MassPropertyTest, WordsSelectScalarsOrArrayComponents) {
  MassValues mass;
  mass.length = 1;
  mass.area = 2;
  mass.volume = 3;
  mass.structuralMass = 4;
  mass.nonStructuralMass = 5;
  mass.totalMass = 6;
  mass.structuralCG = {7, 8, 9};
  mass.totalCG = {10, 11, 12};
  mass.inertiaCG = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(massProperty(mass, "Length", 5), 1);
  EXPECT_EQ(massProperty(mass, "Vol", 0), 3);
  EXPECT_EQ(massProperty(mass, "MassNonStructural", 0), 5);
  EXPECT_EQ(massProperty(mass, "StructuralCG", 2), 9);
  EXPECT_EQ(massProperty(mass, "TotalCG", 1), 11);
  EXPECT_EQ(massProperty(mass, "InertiaCG", 5), 6);
  EXPECT_EQ(massProperty(mass, "length", 0), std::nullopt);
  EXPECT_EQ(massProperty(mass, "Volume", 0), std::nullopt);
  EXPECT_THROW(massProperty(mass, "TotalCG", 3), support::RuntimeError);
  EXPECT_THROW(massProperty(mass, "TotalCG", -1), support::RuntimeError);
  EXPECT_THROW(massProperty(mass, "NonStructuralCG", 0), support::RuntimeError);  // measured empty
}

}  // namespace
}  // namespace respull
