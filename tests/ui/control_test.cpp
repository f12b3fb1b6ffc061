// Control models and the headless window layer: what runs a handler, what is refused, and
// where window messages go.
#include "ui/control.h"

#include <gtest/gtest.h>

#include "support/err.h"
#include "support/window_messages.h"
#include "ui/form.h"
#include "ui/headless_windows.h"

namespace ui {
namespace {

TEST(DropDownListTest, AcceptsOnlyItsItemsAndRunsTheClickHandlerOnEverySelection) {
  DropDownList list("Solver", nullptr, Bounds{}, 0, {"NENastran", "NXNastran"});
  std::vector<std::string> clicks;
  list.onClick = [&] { clicks.push_back(list.text()); };
  EXPECT_EQ(list.text(), "");
  EXPECT_EQ(list.listIndex(), -1);

  list.select(1);
  list.choose("NENastran");
  list.choose("NENastran");  // picking the shown item again still runs the handler
  EXPECT_EQ(clicks, (std::vector<std::string>{"NXNastran", "NENastran", "NENastran"}));

  EXPECT_THROW(list.choose("nenastran"), support::RuntimeError);
  EXPECT_THROW(list.select(2), support::RuntimeError);
  EXPECT_EQ(list.text(), "NENastran");
  EXPECT_EQ(clicks.size(), 3u);
}

TEST(ScrollBarTest, RunsTheChangeHandlerOnlyWhenTheValueChangesWithinItsRange) {
  ScrollBar bar("VScroll1", ControlKind::VScrollBar, nullptr, Bounds{}, 0);
  int changes = 0;
  bar.onChange = [&] { ++changes; };
  bar.setMax(1000);
  bar.setValue(600);
  bar.setValue(600);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(bar.setValue(1001), support::RuntimeError);
  EXPECT_THROW(bar.setValue(-1), support::RuntimeError);
  EXPECT_EQ(bar.value(), 600);

  // A smaller range brings the value down without scrolling anything.
  bar.setMax(400);
  EXPECT_EQ(bar.value(), 400);
  EXPECT_EQ(changes, 1);
}

class FormWindowTest : public ::testing::Test {
 protected:
  FormWindowTest() {
    form_.onResize = [this] { events_.push_back("resize " + std::to_string(form_.clientWidth())); };
    form_.onUnload = [this] { events_.push_back("unload"); };
  }
  HeadlessWindows windows_;
  Form form_{"frmTest", "Test", 4000, 3000};
  std::vector<std::string> events_;
};

// A procedure put in front of the form's own, as the pane's event hook is.
support::WindowProc previousProcedure = nullptr;
std::vector<std::uint32_t> seenInFront;
std::intptr_t inFront(support::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
  seenInFront.push_back(message);
  return support::callWindowProc(previousProcedure, window, message, wParam, lParam);
}

TEST_F(FormWindowTest, ShowingResizingAndClosingGoThroughTheWindowsCurrentProcedure) {
  const support::WindowHandle window = windows_.open(form_);
  ASSERT_TRUE(support::isWindow(window));
  seenInFront.clear();
  previousProcedure = support::setWindowProc(window, inFront);

  windows_.show(form_);
  windows_.resize(form_, 2500, 2000);
  windows_.close(form_);
  windows_.close(form_);  // closing a closed form does nothing

  EXPECT_EQ(events_, (std::vector<std::string>{"resize 4000", "resize 2500", "unload"}));
  EXPECT_EQ(seenInFront,
            (std::vector<std::uint32_t>{kSizeMessage, kSizeMessage, support::kCloseMessage}));
  EXPECT_FALSE(support::isWindow(window));
  EXPECT_EQ(form_.hWnd(), 0u);
  EXPECT_THROW(windows_.resize(form_, 10, 10), support::RuntimeError);
}

TEST_F(FormWindowTest, AFormThatGoesAwayTakesItsWindowWithoutBeingTold) {
  support::WindowHandle window = 0;
  {
    Form transient("frmTransient", "Transient", 100, 100);
    transient.onUnload = [this] { events_.push_back("transient unload"); };
    window = windows_.open(transient);
  }
  EXPECT_FALSE(support::isWindow(window));
  EXPECT_TRUE(events_.empty());
}

TEST_F(FormWindowTest, ModalDialogsTakeTheirAnswersInOrderAndAreDismissedWithout) {
  int dismissed = 0;
  struct Dialog : Form {
    explicit Dialog(int& dismissed)
        : Form("frmDialog", "Dialog", 100, 100), dismissed_(dismissed) {}
    void dismiss() override {
      ++dismissed_;
      setVisible(false);
    }
    int& dismissed_;
  } dialog(dismissed);
  std::vector<std::string> answers;
  windows_.queueAnswer("frmDialog", [&](Form& shown) {
    EXPECT_TRUE(shown.visible());
    answers.push_back("first");
  });
  windows_.queueAnswer("frmDialog", [&](Form&) { answers.push_back("second"); });
  windows_.queueAnswer("frmOther", [&](Form&) { answers.push_back("other"); });

  windows_.showModal(dialog, form_);
  windows_.showModal(dialog, form_);
  windows_.showModal(dialog, form_);
  EXPECT_EQ(answers, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(dismissed, 1);
  EXPECT_FALSE(dialog.visible());
}

}  // namespace
}  // namespace ui
