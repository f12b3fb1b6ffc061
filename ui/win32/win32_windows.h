#pragma once
// The window layer of Windows: every form becomes a real top-level window and every control
// model a real control inside it, at its design position converted from twips to pixels
// (1440 twips to the inch, at the screen's dots per inch), in tab order, with its caption,
// enabled and visible state and mouse pointer:
//
//   button -> BUTTON              drop-down list -> COMBOBOX (CBS_DROPDOWNLIST)
//   frame  -> BUTTON (BS_GROUPBOX), holding its controls      one-line text box -> EDIT
//   label  -> STATIC              picture box -> CorvanePictureBox (a plain container)
//   scroll bars -> SCROLLBAR      multi-select list box -> LISTBOX (LBS_MULTIPLESEL)
//   grid   -> SysListView32 in report mode: header row 0 as the column headers, data rows as
//             items, the current row as the focused item and the anchor as the selection mark
//
// What the engineer does reaches the models (a click runs the button's handler, a chosen
// item the list's, a row selection sets the grid's current row and anchor, the Delete key
// the grid's key handler, a scroll the bar's change handler, a new size the form's resize
// handler). What the handlers change in the models reaches the windows by refresh(), which
// runs after every message the layer dispatches and every action it passes on: the models
// stay the only state, as in headless runs, and the pane's logic is the same in both.
//
// The window procedure of a form is the layer's own; the pane puts its event hook in front of
// it through support::setWindowProc and passes every other message on. Frames are group boxes
// whose procedure the layer puts itself in front of in the same way, so that their controls'
// notifications reach it. One layer per process; it must outlive the forms it shows.
//
// The layer keeps the forms' windows and routes messages; each kind of control is shown by a
// view of its own (control_view.h), which creates the control's window, refreshes it and says
// what its notifications set off in the model.
#ifdef _WIN32

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/window_layer.h"

namespace ui::win32 {

class ControlView;

class Win32Windows : public WindowLayer {
 public:
  // Registers the window classes and loads the common controls; throws support::RuntimeError
  // when Windows refuses.
  Win32Windows();
  ~Win32Windows() override;
  Win32Windows(const Win32Windows&) = delete;
  Win32Windows& operator=(const Win32Windows&) = delete;

  support::WindowHandle open(Form& form) override;
  void show(Form& form) override;
  void close(Form& form) override;
  // Disables the owner and dispatches messages until the dialog hides itself (its OK or
  // Cancel), its window closes, or the program is asked to quit (the quit is passed on).
  void showModal(Form& dialog, Form& owner) override;
  void discard(Form& form) override;

  // Dispatches messages until no form's window is visible any more (0) or a quit message
  // arrives (its code).
  int runMessageLoop();
  // Dispatches the messages waiting now and returns without waiting for more.
  void pumpMessages();
  // Brings every window in line with its form's models.
  void refresh();

  // The window of a control of an open form, or nullptr.
  HWND windowOf(const Control& control) const;
  HWND windowOf(const Form& form) const;
  int pixels(int twips) const;
  int twips(int pixels) const;

  // ---- for the window procedures ----
  struct FormWindow;
  bool formMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool containerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result);

 private:
  // forms and their controls (win32_windows.cpp)
  FormWindow* find(const Form& form) const;
  FormWindow* formOfWindow(HWND window) const;
  ControlView* viewOfWindow(HWND window) const;
  void createControls(FormWindow& formWindow);
  void destroy(FormWindow* formWindow, bool tellForm);
  void refreshForm(FormWindow& formWindow);

  // messages (win32_messages.cpp)
  void dispatch(MSG& message);
  bool anyVisible() const;
  void closeRequested(FormWindow* formWindow);
  void resized(FormWindow& formWindow, int widthPixels, int heightPixels);
  void controlMessage(ControlView& view, UINT message, WPARAM wParam, LPARAM lParam);
  bool pointerMessage(HWND target, LRESULT& result) const;
  void act(const std::function<void()>& action);

  class Font;
  std::unique_ptr<Font> font_;
  int dpi_ = 96;
  bool syncing_ = false;
  std::vector<std::unique_ptr<FormWindow>> forms_;
};

}  // namespace ui::win32

#endif  // _WIN32
