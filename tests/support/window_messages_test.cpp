#include "support/window_messages.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/err.h"

namespace support {
namespace {

// Messages the test procedures saw, as (procedure tag, message).
std::vector<std::pair<char, std::uint32_t>> seen;
WindowProc previousProc = nullptr;
std::uint32_t eventMessage = 0;

std::intptr_t paneProc(WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t) {
  seen.emplace_back('p', message);
  return static_cast<std::intptr_t>(wParam) + 1000;
}

// Handles the event message itself and forwards every other one to the procedure it replaced.
std::intptr_t hookProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  seen.emplace_back('h', message);
  if (message != eventMessage) return callWindowProc(previousProc, window, message, wParam, lParam);
  return 0;
}

// Destroys its own window while handling a message, then sends to it again.
std::intptr_t selfDestroyingProc(WindowHandle window, std::uint32_t message, std::uintptr_t,
                                 std::intptr_t) {
  seen.emplace_back('d', message);
  if (message == 1) {
    destroyWindow(window);
    return sendMessage(window, 2, 0, 0) + 5;
  }
  return 0;
}

class WindowMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { seen.clear(); }
};

TEST_F(WindowMessagesTest, RegisteredIdsAreStablePerNameWithoutRegardToCase) {
  const std::uint32_t event = registerWindowMessage("FE_EVENT_MESSAGE");
  EXPECT_GE(event, kFirstRegisteredMessage);
  EXPECT_EQ(registerWindowMessage("FE_EVENT_MESSAGE"), event);
  EXPECT_EQ(registerWindowMessage("fe_event_message"), event);
  const std::uint32_t other = registerWindowMessage("FE_OTHER_MESSAGE");
  EXPECT_GE(other, kFirstRegisteredMessage);
  EXPECT_NE(other, event);
}

TEST_F(WindowMessagesTest, ReplacedProcedureForwardsOtherMessagesAndRestoreEndsTheHook) {
  const WindowHandle pane = createWindow(paneProc);
  eventMessage = registerWindowMessage("FE_EVENT_MESSAGE");
  previousProc = setWindowProc(pane, hookProc);
  EXPECT_EQ(previousProc, &paneProc);

  EXPECT_EQ(sendMessage(pane, eventMessage, 3, 0), 0);
  EXPECT_EQ(sendMessage(pane, 0x0005, 4, 0), 1004);
  using Seen = std::vector<std::pair<char, std::uint32_t>>;
  EXPECT_EQ(seen, (Seen{{'h', eventMessage}, {'h', 0x0005}, {'p', 0x0005}}));

  EXPECT_EQ(setWindowProc(pane, previousProc), &hookProc);
  seen.clear();
  EXPECT_EQ(sendMessage(pane, eventMessage, 1, 0), 1001);
  EXPECT_EQ(seen, (Seen{{'p', eventMessage}}));
  destroyWindow(pane);
}

TEST_F(WindowMessagesTest, DestroyedWindowGetsCloseFirstThenNoMessages) {
  const WindowHandle pane = createWindow(paneProc);
  EXPECT_TRUE(isWindow(pane));
  destroyWindow(pane);
  EXPECT_FALSE(isWindow(pane));
  EXPECT_EQ(seen, (std::vector<std::pair<char, std::uint32_t>>{{'p', kCloseMessage}}));
  EXPECT_EQ(sendMessage(pane, 0x0005, 1, 0), 0);
  EXPECT_EQ(sendMessage(0, 0x0005, 1, 0), 0);
  EXPECT_THROW(setWindowProc(pane, paneProc), RuntimeError);
  destroyWindow(pane);  // a second time is harmless
}

TEST_F(WindowMessagesTest, ProcedureMayDestroyItsWindowWhileHandlingAMessage) {
  const WindowHandle window = createWindow(selfDestroyingProc);
  EXPECT_EQ(sendMessage(window, 1, 0, 0), 5);
  EXPECT_FALSE(isWindow(window));
  EXPECT_EQ(seen, (std::vector<std::pair<char, std::uint32_t>>{{'d', 1}, {'d', kCloseMessage}}));
}

}  // namespace
}  // namespace support
