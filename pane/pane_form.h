#pragma once
// The controls of the main pane at their design positions (twips, relative to the parent).
// The outer ones (scroll bars, viewport) are rearranged on every resize; everything inside
// pbInner keeps its place and scrolls with it.

#include "exchange/rows.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/grid.h"

namespace pane {

class PaneForm : public ui::Form {
 public:
  PaneForm();

  ui::ScrollBar& HScroll1;
  ui::ScrollBar& VScroll1;
  ui::PictureBox& pbOuter;
  ui::PictureBox& pbInner;

  ui::Frame& Inputs;
  ui::DropDownList& InputSelection;
  ui::Button& RefreshInputs;
  ui::Button& InputsButton;
  ui::Button& ClearInputSelection;
  ui::Grid& InputsList;

  ui::Frame& Outputs;
  ui::Button& ClearOutputSelection;
  ui::Button& OutputsButton;
  ui::Button& RefreshOutputs;
  ui::DropDownList& OutputSelection;
  ui::Grid& OutputsList;

  ui::Frame& Execution;
  ui::DropDownList& Optimizer;
  ui::DropDownList& Solver;
  ui::TextBox& CommandLine;
  ui::Label& Label3;
  ui::Label& Label2;
  ui::Label& Label1;

  ui::Button& GenerateButton;
  ui::Button& ClearAll;
};

}  // namespace pane
