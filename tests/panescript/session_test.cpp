// The headless driver: how script lines are read, how the picker is answered, and how a
// command that cannot be carried out is reported.
#include "panescript/session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "femapsim/registration.h"
#include "panescript/script_line.h"
#include "support/err.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"

namespace panescript {
namespace {

using Tokens = std::vector<std::string>;

TEST(ScriptLineTest, SplitsAtBlanksWithQuotedTokensAndEscapes) {
  EXPECT_EQ(tokenize("  choose  Solver\tNENastran "), (Tokens{"choose", "Solver", "NENastran"}));
  EXPECT_EQ(tokenize(R"(start "a b.mod$x.log$DEBUG" "")"),
            (Tokens{"start", "a b.mod$x.log$DEBUG", ""}));
  EXPECT_EQ(tokenize(R"(type CommandLine "say \"hi\" \\ \n")"),
            (Tokens{"type", "CommandLine", R"(say "hi" \ \n)"}));
  EXPECT_EQ(tokenize("answer picker #1"), (Tokens{"answer", "picker", "#1"}));
  EXPECT_TRUE(tokenize("   # a comment \"").empty());
  EXPECT_TRUE(tokenize("\r").empty());
  EXPECT_THROW(tokenize(R"(type CommandLine "open)"), support::RuntimeError);
}

// Shows the picker from the input "Select..." button with a few entries, and records which
// entries were ticked when it closed and whether it was cancelled.
class PickerProbe : public pane::PaneSubsystems {
 public:
  void InputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    pane::PropertyPicker& picker = pane.frmPropertyList();
    picker.GetPropertyList("Output", "Node");
    for (const char* entry : {"1 - Total Translation", "12 - T1 Translation", "x"}) {
      picker.lstProperties.addItem(entry);
    }
    picker.cmdCancel.onClick = [&] {
      cancelled = true;
      picker.setVisible(false);
    };
    pane.windows().showModal(picker, pane.form());
    ticked.clear();
    for (int entry = 0; entry < picker.lstProperties.count(); ++entry) {
      if (picker.lstProperties.selected(entry)) ticked.push_back(picker.lstProperties.item(entry));
    }
  }
  Tokens ticked;
  bool cancelled = false;
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.set("TEMP", dir_.path().string());
    femapsim::registerFemapSim();
    auto probe = std::make_unique<PickerProbe>();
    probe_ = probe.get();
    session_ = std::make_unique<Session>(Session::Mode::Script, "pane-script", out_, errors_,
                                         std::move(probe));
  }
  void TearDown() override {
    session_.reset();
    femapsim::stopRunningApplication();
    femapsim::setFemapUnavailable(false);
  }
  void run(const std::string& script) {
    std::istringstream input(script);
    session_->run(input);
  }

  testing_support::ScopedTempDir dir_;
  testing_support::ScopedEnvironment environment_;
  std::ostringstream out_, errors_;
  PickerProbe* probe_ = nullptr;
  std::unique_ptr<Session> session_;
};

TEST_F(SessionTest, PickerAnswersTickEntriesByTextOrVectorIdInTheirOrder) {
  run("femap running\n"
      "femap new\n"
      "start \"$$\"\n"
      "answer picker 12 x\n"
      "answer picker all\n"
      "answer picker none\n"
      "answer picker cancel\n");
  session_->execute("click InputsButton", 8);
  EXPECT_EQ(probe_->ticked, (Tokens{"12 - T1 Translation", "x"}));
  session_->execute("click InputsButton", 9);
  EXPECT_EQ(probe_->ticked, (Tokens{"1 - Total Translation", "12 - T1 Translation", "x"}));
  session_->execute("click InputsButton", 10);
  EXPECT_TRUE(probe_->ticked.empty());
  EXPECT_FALSE(probe_->cancelled);
  session_->execute("click InputsButton", 11);
  EXPECT_TRUE(probe_->cancelled);
  EXPECT_EQ(errors_.str(), "");
}

TEST_F(SessionTest, AnEntryThePickerDoesNotOfferCancelsItAndIsReportedWithItsLine) {
  run("femap running\nfemap new\nstart \"$$\"\nanswer picker 2\nclick InputsButton\n");
  EXPECT_TRUE(probe_->cancelled);
  EXPECT_EQ(errors_.str(),
            "pane-script: line 4: the picker offers no entry \"2\"; it was cancelled\n");
  EXPECT_TRUE(session_->failed());
}

TEST_F(SessionTest, CommandsThatCannotBeCarriedOutAreReportedAndTheScriptGoesOn) {
  run("click ClearAll\n"        // 1: not started
      "femap open plate.mod\n"  // 2: no FEMAP runs
      "femap running\n"
      "start \"\"\n"             // inert: no model
      "click ClearAll\n"         // 5: disabled
      "dump NoSuchControl\n"     // 6
      "choose ClearAll Nodes\n"  // 7: not a list
      "frobnicate\n"             // 8
      "dump femap\n");
  EXPECT_EQ(errors_.str(),
            "pane-script: line 1: the pane has not been started\n"
            "pane-script: line 2: no FEMAP is running (\"femap running\" starts one)\n"
            "pane-script: line 5: ClearAll is disabled\n"
            "pane-script: line 6: the pane has no control \"NoSuchControl\"\n"
            "pane-script: line 7: ClearAll is disabled\n"
            "pane-script: line 8: unknown command \"frobnicate\"\n");
  EXPECT_EQ(out_.str(), "model=\tmodels=0\tlocks=0\tpanes=1\n");
}

TEST_F(SessionTest, MessagesAreDumpedOnceAndControlsShowTheirState) {
  run("femap running\n"
      "femap new\n"
      "start \"$$\"\n"
      "choose Optimizer QUBEL\n"
      "dump messages\n"
      "dump messages\n"
      "choose Solver NENastran\n"
      "dump Solver\n"
      "dump ClearInputSelection\n"
      "choose OutputsButton x\n");
  // The new model was never saved, so start-up could not restore its selection.
  EXPECT_EQ(
      out_.str(),
      "3\tModel must be saved in .MOD format first\n"
      "3\tQUBEL format not currently supported\n"
      "Solver\ttext=NENastran\tenabled=1\tvisible=1\tleft=120\ttop=1080\twidth=3615\theight=315\n"
      "ClearInputSelection\ttext=Remove "
      "Selected\tenabled=1\tvisible=1\tleft=2280\ttop=3360\twidth=1932\theight=372\n");
  EXPECT_EQ(errors_.str(), "pane-script: line 10: OutputsButton is not a drop-down list\n");
}

}  // namespace
}  // namespace panescript
