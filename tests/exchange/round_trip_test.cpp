// Every exchange file read back as written, for a selection with every kind of row: entity,
// function and load inputs, node and element outputs, extremes, mass properties, the blank row
// of an empty list and names with blanks.
#include <gtest/gtest.h>

#include <functional>

#include "exchange/functions_file.h"
#include "exchange/modprep_file.h"
#include "exchange/respull_file.h"
#include "exchange/saved_selection.h"
#include "exchange/value_files.h"
#include "exchange/vocabulary.h"

namespace exchange {
namespace {

std::string textOf(const std::function<void(support::TextBuffer&)>& write) {
  support::TextBuffer text;
  write(text);
  return std::string(text.view());
}

const std::vector<InputRow> kInputs = {
    {"XAtNode5", "1.5", "Node", "5", "x", ""},
    {"ThicknessAtProp3", "0.25", "Prop", "3", "pval", "0"},
    {"EAtMatl1", "1E+07", "Matl", "1", "Ex", ""},
    {"OrientAtElem9", "-3", "Elem", "9", "orient", "2"},
    {"Temperature curve", "X-Y Values", "Function", "1", "", ""},
    {"EdgeLoad1_4_Fy", "-1000", "LoadMesh", "4", "1", "1"},
    {"Hot_7_Temperature", "80", "LoadNTemp", "7", "0", "0"},
    {"", "", "", "", "", ""},
};

const std::vector<OutputRow> kOutputs = {
    {"TotalTrans1AtNode25", "0.0123", "25", "1", "Output"},
    {"RodAxialSt3022AtElem1", "-24999.9", "1", "3022", "Output"},
    {"TotalTranslatiMaxAtNode1", "0.5", "1 ", "1", "maxval"},
    {"TotalTranslatiMinAtNode1", "0", "1 ", "1", "minval"},
    {"TotalMass", "1593.18", "MassTotal", "", "MassProperties"},
    {"TotalCGy", "180", "TotalCG", "1", "MassProperties"},
    {"", "", "", "", ""},
};

bool hasBlank(std::string_view name) { return name.find(' ') != std::string_view::npos; }

TEST(RoundTripTest, ModprepFile) {
  const std::string text = textOf([](support::TextBuffer& file) {
    writeModprepHead(file, "plate", " mod ", kNXNastran);
    for (const InputRow& row : kInputs) writeModprepRecord(file, row.view());
  });
  const ModprepFile read = parseModprepFile(text);
  EXPECT_EQ(read.reference.tag, "(FEMAP)");
  EXPECT_EQ(read.reference.file, "plate.mod");
  EXPECT_EQ(read.deck.tag, "(NastranNX)");
  EXPECT_EQ(read.deck.file, "plate.dat");
  EXPECT_EQ(read.values.file, kInputValuesFile);
  // The blank row is eight blanks: a line the reader skips.
  ASSERT_EQ(read.records.size(), kInputs.size() - 1);
  for (std::size_t k = 0; k < read.records.size(); ++k) {
    const InputRow& row = kInputs[k];
    const VariableRecord& record = read.records[k];
    EXPECT_EQ(record.entityType, row.entityType);
    if (hasBlank(row.name)) {
      // A blank splits the name into fields and shifts the rest: Modprep passes function rows
      // over, and never reads their other fields.
      EXPECT_EQ(record.name, "Temperature");
      continue;
    }
    EXPECT_EQ(record.name, row.name);
    EXPECT_EQ(record.entityIdText, row.entityId);
    EXPECT_EQ(record.member, row.member);
    EXPECT_EQ(record.indexText, row.index);
    EXPECT_EQ(record.index, row.index.empty() ? -1 : std::stoll(row.index));
  }

  const ModprepFile ne = parseModprepFile(
      textOf([](support::TextBuffer& file) { writeModprepHead(file, "plate", "mod", kNENastran); }));
  EXPECT_EQ(ne.deck.tag, "(NastranNE)");
  EXPECT_EQ(ne.deck.file, "plate.nas");
}

TEST(RoundTripTest, ValuesFilesAndTheirTemplates) {
  const std::string values = textOf([](support::TextBuffer& file) {
    for (const InputRow& row : kInputs) writeValueLine(file, row.name, row.value);
  });
  const std::vector<NamedValue> read = parseValueLines(values);
  ASSERT_EQ(read.size(), kInputs.size() - 1);  // the blank row's two blanks are skipped
  for (std::size_t k = 0; k < read.size(); ++k) {
    if (hasBlank(kInputs[k].name)) continue;
    EXPECT_EQ(read[k].name, kInputs[k].name);
    EXPECT_EQ(read[k].valueText, kInputs[k].value);
  }
  EXPECT_EQ(read[2].value, 1e7);

  const std::string outputTemplate = textOf([](support::TextBuffer& file) {
    for (const OutputRow& row : kOutputs) writeTemplateLine(file, row.name, row.value);
  });
  const std::vector<NamedValue> marked = parseTemplateLines(outputTemplate);
  ASSERT_EQ(marked.size(), kOutputs.size());  // "  !<%f!>!" is not a blank line
  for (std::size_t k = 0; k < marked.size(); ++k) {
    EXPECT_EQ(marked[k].name, kOutputs[k].name);
    EXPECT_EQ(marked[k].valueText, kOutputs[k].value);
  }
  // The marked field keeps a name with blanks and a value that is no number whole.
  const std::vector<NamedValue> function = parseTemplateLines(
      textOf([](support::TextBuffer& file) { writeTemplateLine(file, kInputs[4].name, kInputs[4].value); }));
  ASSERT_EQ(function.size(), 1u);
  EXPECT_EQ(function[0].name, "Temperature curve");
  EXPECT_EQ(function[0].valueText, "X-Y Values");
  EXPECT_EQ(function[0].value, std::nullopt);
}

TEST(RoundTripTest, RespullFile) {
  const std::string text = textOf([](support::TextBuffer& file) {
    writeRespullHead(file, "plate", "mod", kNENastran);
    for (const OutputRow& row : kOutputs) writeRespullRecord(file, row.view());
  });
  const RespullFile read = parseRespullFile(text);
  EXPECT_FALSE(read.deleteResults);
  EXPECT_EQ(read.results.tag, "(NastranNE)");
  EXPECT_EQ(read.results.file, "plate.fno");
  EXPECT_EQ(outputFileName(read), kOutputValuesFile);
  ASSERT_EQ(read.records.size(), kOutputs.size() - 1);
  for (std::size_t k = 0; k < read.records.size(); ++k) {
    const OutputRow& row = kOutputs[k];
    const OutputRecord& record = read.records[k];
    EXPECT_EQ(record.kind, row.kind);
    EXPECT_EQ(record.name, row.name);
    EXPECT_EQ(record.entity + (row.entity.ends_with(' ') ? " " : ""), row.entity);
    EXPECT_EQ(record.vector, row.vector.empty() ? 0 : std::stoll(row.vector));
  }
}

TEST(RoundTripTest, FunctionsFile) {
  struct Function {
    std::int32_t id;
    std::string title;
    std::vector<FunctionPoint> points;
  };
  const std::vector<Function> functions = {
      {1, "Temperature curve", {{0, 20}, {-1.5, 2}, {1e-5, -9.87654321098765e+200}}},
      {-7, "  blanks around  ", {}},
  };
  const std::string text = textOf([&](support::TextBuffer& file) {
    for (const Function& function : functions) {
      writeFunctionHead(file, function.id, function.title,
                        static_cast<std::int32_t>(function.points.size()));
      for (const FunctionPoint& point : function.points) writePointLine(file, point.x, point.y);
    }
  });
  const FunctionsFile read = parseFunctionsFile(text);
  ASSERT_EQ(read.blocks.size(), functions.size());
  for (std::size_t k = 0; k < functions.size(); ++k) {
    const FunctionBlock& block = read.blocks[k];
    EXPECT_EQ(block.headerError, "");
    EXPECT_EQ(block.id, functions[k].id);
    EXPECT_EQ(block.title, functions[k].title);
    ASSERT_EQ(block.lines.size(), functions[k].points.size());
    for (std::size_t j = 0; j < block.lines.size(); ++j) {
      ASSERT_TRUE(block.lines[j].point);
      EXPECT_EQ(block.lines[j].point->x, functions[k].points[j].x);
      EXPECT_EQ(block.lines[j].point->y, functions[k].points[j].y);
    }
  }
}

TEST(RoundTripTest, SavedSelectionKeepsEveryFieldAndBlank) {
  const std::string text = textOf([](support::TextBuffer& file) {
    for (const InputRow& row : kInputs) {
      if (!row.name.empty()) writeSavedRow(file, row.view());
    }
    writeSavedSectionEnd(file);
    for (const OutputRow& row : kOutputs) {
      if (!row.name.empty()) writeSavedRow(file, row.view());
    }
  });
  const SavedSelection read = parseSavedSelection(text);
  ASSERT_EQ(read.inputs.size(), kInputs.size() - 1);
  for (std::size_t k = 0; k < read.inputs.size(); ++k) EXPECT_EQ(read.inputs[k].row, kInputs[k]);
  ASSERT_EQ(read.outputs.size(), kOutputs.size() - 1);
  for (std::size_t k = 0; k < read.outputs.size(); ++k) EXPECT_EQ(read.outputs[k].row, kOutputs[k]);
  EXPECT_EQ(read.inputs[4].text, "Temperature curve\tX-Y Values\tFunction\t1\t\t");

  // A line with too many fields drops the rest, one with too few leaves them empty.
  const SavedSelection odd = parseSavedSelection("a\tb\tc\td\te\tf\tg\n\nm\tn\n");
  EXPECT_EQ(odd.inputs[0].row.index, "f");
  EXPECT_EQ(odd.outputs[0].row.value, "n");
  EXPECT_EQ(odd.outputs[0].row.kind, "");
}

TEST(RoundTripTest, RowsAndGridCells) {
  for (const InputRow& row : kInputs) EXPECT_EQ(inputRowFromCells(cellsOf(row)), row);
  for (const OutputRow& row : kOutputs) EXPECT_EQ(outputRowFromCells(cellsOf(row)), row);
  EXPECT_EQ(cellsOf(kInputs[1]).at(kInputMemberColumn), "pval");
  EXPECT_EQ(cellsOf(kOutputs[4]).at(kOutputKindColumn), kMassPropertiesKind);
  EXPECT_EQ(inputRowFromCells({"only a name"}).index, "");
}

}  // namespace
}  // namespace exchange
