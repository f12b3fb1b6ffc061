// The project of the PIDO tool Tavro: the project file (settings of the tool's interface and
// optimisers, links to the other two files), the process file (the three programs of one
// evaluation and the files passed between them) and the parameter file (every variable with a
// start value and bounds), then the exchange files with their templates. Nothing is logged.
#include <initializer_list>

#include "generate/project_generation.h"
#include "pane/corvane_femap_interface.h"
#include "pane/variable_rows.h"
#include "support/paths.h"

namespace generate {

namespace {

using support::TextBuffer;

void writeLines(TextBuffer& file, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) file.line(line);
}

// before + k + after, for k = 1 to 4.
void writeForEachPlot(TextBuffer& file, std::string_view before, std::string_view after) {
  for (char k = '1'; k <= '4'; ++k) {
    file.add(before);
    file.add(std::string_view(&k, 1));
    file.line(after);
  }
}

constexpr std::string_view kEqualSigns = "'H'  '========================================='";

// One parameter: "'P'", the name and value, the fixed columns, then `kind` (1 for an input, 2
// for an output).
void writeParameterLine(TextBuffer& file, std::string_view name, std::string_view value,
                        std::string_view kind) {
  file.add("'P'    '");
  file.add(name);
  file.add("'    ");
  file.add(value);
  file.add("        0.00    0.0    -9.425e6    9.425e6    0.00    ");
  file.line(kind);
}

}  // namespace

void ProjectGeneration::WriteTavroProject() {
  const std::string modelPath = pane_.femap().ModelName();
  const std::string directory = support::modelDirectory(modelPath);
  const std::string base = support::modelBaseName(modelPath);
  writeProjectFile(directory, base);
  writeProcessFile(directory, base);
  writeParameterFile(directory, base);
  WriteExchangeFiles(directory, base);
}

void ProjectGeneration::writeProjectFile(const std::string& modelDirectory,
                                         const std::string& base) {
  TextBuffer& file = create(modelDirectory + base + ".mtp");
  writeLines(file, {
                       "#####################################",
                       "##                                 ##",
                       "##  Melkin Tavro Project (.mtp)    ##",
                       "##                                 ##",
                       "#####################################",
                       "",
                       "",
                       "set whole_output_file 0",
                       "set max_file_size 131072",
                       "set xterm \"Job launched as batch file (pause at end)\"",
                       "",
                       "set lineg1 solid",
                   });
  writeForEachPlot(file, "set par_lineg(", ") solid");
  writeLines(file, {"", "set markerg1 none"});
  writeForEachPlot(file, "set par_markerg(", ") none");
  writeLines(file, {"", "set colorg1 \"#0000ff\""});
  writeForEachPlot(file, "set par_colorg(", ") \"#0000ff\"");
  writeLines(file, {
                       "set lineg2 solid",
                       "set markerg2 none",
                       "set colorg2 \"#ff0000\"",
                       "",
                       "set backgroundcolor \"#c0c0c0\"",
                   });
  writeForEachPlot(file, "set par_bgcol(", ") \"#c0c0c0\"");
  writeLines(file, {"", "set plotbackgroundcolor \"#ffffff\""});
  writeForEachPlot(file, "set par_plotbgcol(", ") \"#ffffff\"");
  writeLines(file, {"", "set marker_color \"#000000\""});
  writeForEachPlot(file, "set par_markcol(", ") \"#000000\"");
  file.line("");
  writeForEachPlot(file, "set minx(", ") \"auto\"");
  writeForEachPlot(file, "set maxx(", ") \"auto\"");
  file.line("");
  writeForEachPlot(file, "set miny(", ") \"auto\"");
  writeForEachPlot(file, "set maxy(", ") \"auto\"");
  file.line("");
  writeForEachPlot(file, "set spec_minx(", ") \"\"");
  writeForEachPlot(file, "set spec_maxx(", ") \"\"");
  file.line("");
  writeForEachPlot(file, "set spec_miny(", ") \"\"");
  writeForEachPlot(file, "set spec_maxy(", ") \"\"");
  writeLines(file, {"", "set lastmodify 0", "", "set linkmethod \"Scheduled\""});
  file.line("set linkfile \"" + base + ".pcs\"");
  file.line("set linkfiledisplay \"" + base + ".pcs\"");
  file.line("set scriptfile \"" + base + ".script\"");
  writeLines(file, {
                       "set minormax min",
                       "set traintime 1.0",
                       "set opttime 100",
                       "set var 0.0",
                       "set tfinal \"tmp/trained.opt\"",
                       "set jobtype \"Analysis\"",
                       "set scanvarname",
                       "set scanvarlow",
                       "set scanvarhigh",
                       "set scanvarinc",
                       "",
                       "set parnum(1) 1",
                       "set parnum(2) 3",
                       "set parnum1(1) 1",
                       "set parnum1(2) 3",
                       "set parnum2(1) 1",
                       "set parnum2(2) 3",
                       "set parnum3(1) 1",
                       "set parnum3(2) 3",
                       "",
                       "set jobtime 1",
                       "set jobtimeunit hrs",
                       "set analtime 1",
                       "set analtimeunit mins",
                       "set designspace \"unknowntopography\"",
                       " ",
                       " ",
                   });
  file.line("set openparfile \"" + base + ".par\"");
  writeLines(file, {
                       " ",
                       "set seqrestarts 1",
                       "set geneticiter 100",
                       "set geneticrestart 3",
                       "set geneticstep 0.002",
                       "set geneticmult 5",
                       "set simplexiter 1000",
                       "set simplexrestart 3",
                       "set simplexstep 0.1",
                       "set sqpiter 50",
                       "set sqprestart 3",
                       "set sqpstep 0.001",
                       "set ran1 0",
                       "set ran2 0",
                       "set ran3 0",
                       " ",
                       "set iterupdate 1",
                       " ",
                       "set descriptiontext \"Project:",
                       "========",
                       "",
                       "Prepared by:",
                       "Last Modified:",
                       "",
                       "",
                       "Description:",
                       "============",
                       "",
                       "",
                       "Change log:",
                       "===========",
                       "\"",
                   });
}

void ProjectGeneration::writeProcessFile(const std::string& modelDirectory,
                                         const std::string& base) {
  TextBuffer& file = create(modelDirectory + base + ".pcs");
  writeLines(file, {
                       "'H'  'y2k2'",
                       "'H'  'graphic_info_start 40 50'",
                       "'H'  'graphic_info_end 407 50'",
                       "'H'  'color_info canvas #3A6EA5'",
                       kEqualSigns,
                       "'H'  'analysis'",
                       "'H'  'Modprep'",
                       "'H'  'graphic_info 131 50 grey analysis.gif'",
                       "'I'  'InputValues.txt.template' 'InputValues.txt' '<local>'  0",
                       "'Y'  'Modprep' '*' '<local>' 0",
                       kEqualSigns,
                       "'H'  'analysis'",
                       "'H'  'Nastran'",
                       "'H'  'graphic_info 222 50 grey analysis.gif'",
                   });
  file.add("'Y'  '");
  file.add(pane_.form().CommandLine.text());
  file.line("' '*' '<local>' 0");
  writeLines(file, {
                       kEqualSigns,
                       "'H'  'analysis'",
                       "'H'  'Respull'",
                       "'H'  'graphic_info 312 50 grey analysis.gif'",
                       "'Y'  'Respull' '*' '<local>' 0",
                       "'O'  'OutputValues.txt.template' 'OutputValues.txt' '<local>' 0",
                       "'H'  'END'",
                   });
}

void ProjectGeneration::writeParameterFile(const std::string& modelDirectory,
                                           const std::string& base) {
  TextBuffer& file = create(modelDirectory + base + ".par");
  writeLines(file, {"'H' 'y2k2'", "'H' 'Inputs'", "'H' '============'"});
  const ui::Grid& inputs = pane_.form().InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const exchange::InputRowView input = pane::inputRowAt(inputs, row);
    writeParameterLine(file, input.name, input.value, "1");
  }
  writeLines(file, {"'H' 'Outputs'", "'H' '============'"});
  const ui::Grid& outputs = pane_.form().OutputsList;
  for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
    const exchange::OutputRowView output = pane::outputRowAt(outputs, row);
    writeParameterLine(file, output.name, output.value, "2");
  }
  file.line("'H' 'END'");
}

}  // namespace generate
