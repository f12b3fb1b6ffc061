#include "ui/win32/win32_windows.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>

#include "support/err.h"
#include "support/wide_text.h"
#include "support/window_messages.h"
#include "ui/grid.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"CorvaneForm";
constexpr wchar_t kPictureBoxClass[] = L"CorvanePictureBox";
// A drop-down list's window is as high as its closed box plus its open list.
constexpr int kDropDownListPixels = 160;
// The grid's width of a column whose width was never set.
constexpr int kDefaultColumnTwips = 960;

// The process's layer: window procedures are plain functions and find it here.
Win32Windows* layer = nullptr;

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (layer && layer->formMessage(window, message, wParam, lParam, result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK pictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (layer && layer->containerMessage(window, message, wParam, lParam, result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Group boxes keep their own procedure behind this one.
struct GroupBoxProcedures {
  std::mutex mutex;
  std::vector<std::pair<HWND, support::WindowProc>> previous;
  support::WindowProc find(HWND window) {
    std::lock_guard lock(mutex);
    for (const auto& [box, procedure] : previous) {
      if (box == window) return procedure;
    }
    return nullptr;
  }
  void set(HWND window, support::WindowProc procedure) {
    std::lock_guard lock(mutex);
    previous.emplace_back(window, procedure);
  }
  void erase(HWND window) {
    std::lock_guard lock(mutex);
    std::erase_if(previous, [window](const auto& entry) { return entry.first == window; });
  }
};
GroupBoxProcedures& groupBoxes() {
  static GroupBoxProcedures procedures;
  return procedures;
}

std::intptr_t groupBoxProc(support::WindowHandle handle, std::uint32_t message,
                           std::uintptr_t wParam, std::intptr_t lParam) {
  const HWND window = reinterpret_cast<HWND>(handle);
  const support::WindowProc previous = groupBoxes().find(window);
  if (message == WM_ERASEBKGND) {
    // A group box paints only its frame and caption; the controls' background is its own.
    RECT client{};
    GetClientRect(window, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
  }
  LRESULT result = 0;
  if (layer && layer->containerMessage(window, message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) groupBoxes().erase(window);
  return support::callWindowProc(previous, handle, message, wParam, lParam);
}

void registerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpfnWndProc = formProc;
    windowClass.lpszClassName = kFormClass;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    if (!RegisterClassExW(&windowClass)) {
      throw support::RuntimeError("Cannot register the form window class (error " +
                                  std::to_string(GetLastError()) + ")");
    }
    windowClass.lpfnWndProc = pictureBoxProc;
    windowClass.lpszClassName = kPictureBoxClass;
    windowClass.hIcon = nullptr;
    if (!RegisterClassExW(&windowClass)) {
      throw support::RuntimeError("Cannot register the picture box window class (error " +
                                  std::to_string(GetLastError()) + ")");
    }
  });
}

bool sameBounds(const Bounds& a, const Bounds& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

int shiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
         (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

}  // namespace

// The font of every control: the forms' design font at 8 points.
class Win32Windows::Font {
 public:
  explicit Font(int dpi)
      : font_(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif")) {}
  ~Font() {
    if (font_) DeleteObject(font_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT get() const { return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

 private:
  HFONT font_;
};

// One control's window and what it shows now.
struct Win32Windows::View {
  Control* control = nullptr;
  HWND window = nullptr;
  bool shownKnown = false;
  Bounds bounds;
  bool enabled = true;
  bool visible = false;
  std::string text;
  int listIndex = -1;
  int scrollValue = -1;
  int scrollMax = -1;
  unsigned long revision = 0;
  bool rowsKnown = false;
  int currentRow = -1;
  int anchorRow = -1;
  std::vector<int> columnWidths;
  std::vector<std::pair<std::string, bool>> entries;
  bool entriesKnown = false;
};

struct Win32Windows::FormWindow {
  Form* form = nullptr;
  HWND window = nullptr;
  std::vector<std::unique_ptr<View>> views;
  std::string caption;
  bool shown = false;    // show() or showModal() ran: the window follows form.visible()
  bool sized = false;    // the form has heard its client size since it was shown
  bool modal = false;    // showModal() runs for it
  bool closing = false;  // close() asked for it: a close message ends it even when modal
};

Win32Windows::Win32Windows() {
  if (layer) throw support::RuntimeError("A Win32 window layer exists already in this process");
  registerClasses();
  if (HDC screen = GetDC(nullptr)) {
    dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  if (dpi_ <= 0) dpi_ = 96;
  font_ = std::make_unique<Font>(dpi_);
  layer = this;
}

Win32Windows::~Win32Windows() {
  while (!forms_.empty()) destroy(forms_.back().get(), false);
  layer = nullptr;
}

int Win32Windows::pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
int Win32Windows::twips(int pixels) const { return MulDiv(pixels, 1440, dpi_); }

// ---------------------------------------------------------------- look-ups

Win32Windows::FormWindow* Win32Windows::find(const Form& form) const {
  for (const auto& formWindow : forms_) {
    if (formWindow->form == &form) return formWindow.get();
  }
  return nullptr;
}

Win32Windows::FormWindow* Win32Windows::formOfWindow(HWND window) const {
  for (const auto& formWindow : forms_) {
    if (formWindow->window == window) return formWindow.get();
  }
  return nullptr;
}

Win32Windows::View* Win32Windows::viewOfWindow(HWND window) const {
  if (!window) return nullptr;
  for (const auto& formWindow : forms_) {
    for (const auto& view : formWindow->views) {
      if (view->window == window) return view.get();
    }
  }
  return nullptr;
}

HWND Win32Windows::windowOf(const Control& control) const {
  for (const auto& formWindow : forms_) {
    for (const auto& view : formWindow->views) {
      if (view->control == &control) return view->window;
    }
  }
  return nullptr;
}

HWND Win32Windows::windowOf(const Form& form) const {
  const FormWindow* formWindow = find(form);
  return formWindow ? formWindow->window : nullptr;
}

// ---------------------------------------------------------------- opening and closing

support::WindowHandle Win32Windows::open(Form& form) {
  if (FormWindow* existing = find(form)) return reinterpret_cast<support::WindowHandle>(existing->window);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DWORD extendedStyle = WS_EX_CONTROLPARENT;
  RECT frame{0, 0, pixels(form.clientWidth()), pixels(form.clientHeight())};
  AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
  HWND window = CreateWindowExW(extendedStyle, kFormClass, support::toWide(form.caption()).c_str(),
                                style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    throw support::RuntimeError("Cannot create the window of " + form.name() + " (error " +
                                std::to_string(GetLastError()) + ")");
  }
  auto formWindow = std::make_unique<FormWindow>();
  formWindow->form = &form;
  formWindow->window = window;
  formWindow->caption = form.caption();
  FormWindow& created = *formWindow;
  forms_.push_back(std::move(formWindow));
  try {
    createControls(created);
  } catch (...) {
    destroy(&created, false);
    throw;
  }
  const auto handle = reinterpret_cast<support::WindowHandle>(window);
  form.attachWindow(this, handle);
  form.onMousePointers = [](MousePointer pointer) {
    SetCursor(LoadCursorW(nullptr, pointer == MousePointer::Hourglass ? IDC_WAIT : IDC_ARROW));
  };
  refresh();
  return handle;
}

// Controls are created in tab order, which is the order Windows moves the focus in; a
// control's parent (frame, picture box) always comes before it.
void Win32Windows::createControls(FormWindow& formWindow) {
  std::vector<Control*> pending;
  for (const auto& control : formWindow.form->controls()) pending.push_back(control.get());
  std::stable_sort(pending.begin(), pending.end(),
                   [](const Control* a, const Control* b) { return a->tabIndex() < b->tabIndex(); });
  while (!pending.empty()) {
    bool progress = false;
    for (auto it = pending.begin(); it != pending.end();) {
      Control* control = *it;
      HWND parent = formWindow.window;
      if (control->parent()) parent = windowOf(*control->parent());
      if (!parent) {
        ++it;
        continue;
      }
      auto view = std::make_unique<View>();
      view->control = control;
      createControl(formWindow, *view, parent);
      formWindow.views.push_back(std::move(view));
      it = pending.erase(it);
      progress = true;
    }
    if (!progress) {
      throw support::RuntimeError(pending.front()->name() + " has a parent outside its form");
    }
  }
}

void Win32Windows::createControl(FormWindow& formWindow, View& view, HWND parent) {
  Control& control = *view.control;
  const wchar_t* windowClass = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD extendedStyle = 0;
  std::wstring text;
  int height = pixels(control.height());
  switch (control.kind()) {
    case ControlKind::Button:
      windowClass = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON;
      text = support::toWide(control.text());
      break;
    case ControlKind::DropDownList:
      windowClass = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
      height += kDropDownListPixels;
      break;
    case ControlKind::TextBox:
      windowClass = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      extendedStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Label:
      windowClass = L"STATIC";
      style |= SS_LEFT | SS_NOPREFIX;
      text = support::toWide(control.text());
      break;
    case ControlKind::Frame:
      windowClass = L"BUTTON";
      style |= BS_GROUPBOX | WS_CLIPCHILDREN;
      extendedStyle |= WS_EX_CONTROLPARENT;
      text = support::toWide(control.text());
      break;
    case ControlKind::PictureBox:
      windowClass = kPictureBoxClass;
      style |= WS_CLIPCHILDREN;
      extendedStyle |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::HScrollBar:
      windowClass = L"SCROLLBAR";
      style |= WS_TABSTOP | SBS_HORZ;
      break;
    case ControlKind::VScrollBar:
      windowClass = L"SCROLLBAR";
      style |= WS_TABSTOP | SBS_VERT;
      break;
    case ControlKind::Grid:
      windowClass = WC_LISTVIEWW;
      style |= WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
      extendedStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::ListBox:
      windowClass = L"LISTBOX";
      style |= WS_TABSTOP | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      extendedStyle |= WS_EX_CLIENTEDGE;
      break;
  }
  HWND window = CreateWindowExW(extendedStyle, windowClass, text.c_str(), style,
                                pixels(control.left()), pixels(control.top()),
                                pixels(control.width()), height, parent,
                                reinterpret_cast<HMENU>(formWindow.views.size() + 1),
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    throw support::RuntimeError("Cannot create the window of " + control.name() + " (error " +
                                std::to_string(GetLastError()) + ")");
  }
  view.window = window;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_->get()), FALSE);

  if (auto* list = dynamic_cast<DropDownList*>(&control)) {
    for (const std::string& item : list->items()) {
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(support::toWide(item).c_str()));
    }
  } else if (auto* grid = dynamic_cast<Grid*>(&control)) {
    SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int column = 0; column < grid->columnCount(); ++column) {
      std::wstring header = support::toWide(grid->cell(0, column));
      LVCOLUMNW description{};
      description.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      description.fmt = LVCFMT_LEFT;
      description.cx = pixels(kDefaultColumnTwips);
      description.pszText = header.data();
      SendMessageW(window, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&description));
    }
  } else if (control.kind() == ControlKind::Frame) {
    groupBoxes().set(window, support::setWindowProc(reinterpret_cast<support::WindowHandle>(window),
                                                     groupBoxProc));
  }
}

void Win32Windows::show(Form& form) {
  if (!find(form)) open(form);
  FormWindow* formWindow = find(form);
  formWindow->shown = true;
  form.setVisible(true);
  refresh();
  HWND window = formWindow->window;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  // The first display lays the form out at its client size, through the window's current
  // procedure (a hook in front of it sees the message as it would any other).
  formWindow = formOfWindow(window);
  if (formWindow && !formWindow->sized) {
    RECT client{};
    GetClientRect(window, &client);
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  refresh();
}

void Win32Windows::close(Form& form) {
  FormWindow* formWindow = find(form);
  if (!formWindow) return;
  formWindow->closing = true;
  HWND window = formWindow->window;
  SendMessageW(window, WM_CLOSE, 0, 0);  // the form hears it first, through any hook
  // A procedure in front of the form's own that kept the close to itself: the window goes
  // all the same.
  if (FormWindow* stillOpen = formOfWindow(window)) destroy(stillOpen, true);
}

void Win32Windows::discard(Form& form) {
  if (FormWindow* formWindow = find(form)) destroy(formWindow, false);
}

void Win32Windows::closeRequested(FormWindow* formWindow) {
  if (formWindow->modal && !formWindow->closing) {
    // Closing a modal dialog from its title bar is its own way of being dismissed.
    act([&] { formWindow->form->dismiss(); });
    return;
  }
  destroy(formWindow, true);
}

void Win32Windows::destroy(FormWindow* formWindow, bool tellForm) {
  Form& form = *formWindow->form;
  HWND window = formWindow->window;
  if (tellForm && form.onUnload) {
    act([&] { form.onUnload(); });
  }
  // The form may have been closed while it heard of its close.
  auto it = std::find_if(forms_.begin(), forms_.end(),
                         [&](const auto& entry) { return entry->window == window; });
  if (it == forms_.end()) return;
  std::unique_ptr<FormWindow> gone = std::move(*it);
  forms_.erase(it);
  form.onMousePointers = nullptr;
  form.detachWindow();
  if (IsWindow(window)) DestroyWindow(window);
}

// ---------------------------------------------------------------- modal dialogs and the loop

void Win32Windows::showModal(Form& dialog, Form& owner) {
  if (!find(dialog)) open(dialog);
  FormWindow* formWindow = find(dialog);
  HWND window = formWindow->window;
  HWND ownerWindow = windowOf(owner);

  // A dialog: owned by its owner, a fixed frame, centred over the owner.
  SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow));
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(style));
  RECT frame{0, 0, pixels(dialog.clientWidth()), pixels(dialog.clientHeight())};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME);
  RECT ownerFrame{};
  if (ownerWindow) GetWindowRect(ownerWindow, &ownerFrame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, HWND_TOP, std::max(0L, (ownerFrame.left + ownerFrame.right - width) / 2),
               std::max(0L, (ownerFrame.top + ownerFrame.bottom - height) / 2), width, height,
               SWP_FRAMECHANGED | SWP_NOACTIVATE);

  formWindow->modal = true;
  formWindow->shown = true;
  dialog.setVisible(true);
  refresh();
  if (ownerWindow) EnableWindow(ownerWindow, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);

  bool quit = false;
  WPARAM quitCode = 0;
  while (dialog.visible() && formOfWindow(window)) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = true;
      quitCode = got == 0 ? message.wParam : 1;
      break;
    }
    dispatch(message);
  }

  if (ownerWindow && IsWindow(ownerWindow)) EnableWindow(ownerWindow, TRUE);
  if (FormWindow* stillOpen = formOfWindow(window)) {
    stillOpen->modal = false;
    ShowWindow(window, SW_HIDE);
  }
  dialog.setVisible(false);
  if (ownerWindow && IsWindow(ownerWindow)) SetActiveWindow(ownerWindow);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void Win32Windows::dispatch(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // Tab and the arrow keys move the focus between a form's controls.
  if (!(root && formOfWindow(root) && IsDialogMessageW(root, &message))) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  refresh();
}

bool Win32Windows::anyVisible() const {
  for (const auto& formWindow : forms_) {
    if (IsWindowVisible(formWindow->window)) return true;
  }
  return false;
}

int Win32Windows::runMessageLoop() {
  while (anyVisible()) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got < 0) return 1;
    dispatch(message);
  }
  return 0;
}

void Win32Windows::pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(message);
  }
}

// ---------------------------------------------------------------- models to windows

void Win32Windows::refresh() {
  if (syncing_) return;
  syncing_ = true;
  try {
    for (std::size_t i = 0; i < forms_.size(); ++i) refreshForm(*forms_[i]);
  } catch (...) {
    syncing_ = false;
    throw;
  }
  syncing_ = false;
}

void Win32Windows::refreshForm(FormWindow& formWindow) {
  Form& form = *formWindow.form;
  if (form.caption() != formWindow.caption) {
    formWindow.caption = form.caption();
    SetWindowTextW(formWindow.window, support::toWide(form.caption()).c_str());
  }
  for (const auto& view : formWindow.views) refreshView(*view);
  if (formWindow.shown && form.visible() != (IsWindowVisible(formWindow.window) != FALSE)) {
    ShowWindow(formWindow.window, form.visible() ? SW_SHOW : SW_HIDE);
  }
}

void Win32Windows::refreshView(View& view) {
  Control& control = *view.control;
  const bool first = !view.shownKnown;
  view.shownKnown = true;
  if (first || !sameBounds(control.bounds(), view.bounds)) {
    view.bounds = control.bounds();
    int height = pixels(control.height());
    if (control.kind() == ControlKind::DropDownList) height += kDropDownListPixels;
    MoveWindow(view.window, pixels(control.left()), pixels(control.top()), pixels(control.width()),
               height, TRUE);
  }
  if (first || control.enabled() != view.enabled) {
    view.enabled = control.enabled();
    EnableWindow(view.window, view.enabled);
  }
  if (first || control.visible() != view.visible) {
    view.visible = control.visible();
    ShowWindow(view.window, view.visible ? SW_SHOWNA : SW_HIDE);
  }
  switch (control.kind()) {
    case ControlKind::Button:
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::TextBox:
      if (first || control.text() != view.text) {
        view.text = control.text();
        SetWindowTextW(view.window, support::toWide(view.text).c_str());
      }
      break;
    case ControlKind::DropDownList: {
      const int index = static_cast<DropDownList&>(control).listIndex();
      if (first || index != view.listIndex) {
        view.listIndex = index;
        SendMessageW(view.window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      }
      break;
    }
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar: {
      const auto& bar = static_cast<ScrollBar&>(control);
      if (first || bar.value() != view.scrollValue || bar.max() != view.scrollMax) {
        view.scrollValue = bar.value();
        view.scrollMax = bar.max();
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
        info.nMax = bar.max();
        info.nPos = bar.value();
        SetScrollInfo(view.window, SB_CTL, &info, TRUE);
      }
      break;
    }
    case ControlKind::Grid:
      refreshGrid(view);
      break;
    case ControlKind::ListBox:
      refreshList(view);
      break;
    case ControlKind::PictureBox:
      break;
  }
}

void Win32Windows::refreshGrid(View& view) {
  const auto& grid = static_cast<Grid&>(*view.control);
  HWND window = view.window;
  const int columns = grid.columnCount();
  view.columnWidths.resize(static_cast<std::size_t>(columns), -2);
  for (int column = 0; column < columns; ++column) {
    const int width = grid.columnWidth(column);
    if (width == view.columnWidths[static_cast<std::size_t>(column)]) continue;
    view.columnWidths[static_cast<std::size_t>(column)] = width;
    SendMessageW(window, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 pixels(width < 0 ? kDefaultColumnTwips : width));
  }

  if (!view.rowsKnown || grid.revision() != view.revision) {
    view.rowsKnown = true;
    view.revision = grid.revision();
    view.currentRow = view.anchorRow = -1;
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    for (int column = 0; column < columns; ++column) {
      std::wstring header = support::toWide(grid.cell(0, column));
      LVCOLUMNW description{};
      description.mask = LVCF_TEXT;
      description.pszText = header.data();
      SendMessageW(window, LVM_SETCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&description));
    }
    SendMessageW(window, LVM_DELETEALLITEMS, 0, 0);
    for (int row = Grid::kFixedRows; row < grid.rowCount(); ++row) {
      for (int column = 0; column < columns; ++column) {
        std::wstring text = support::toWide(grid.cell(row, column));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row - Grid::kFixedRows;
        item.iSubItem = column;
        item.pszText = text.data();
        SendMessageW(window, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                     column == 0 ? 0 : static_cast<WPARAM>(item.iItem), reinterpret_cast<LPARAM>(&item));
      }
    }
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
  }

  if (grid.currentRow() != view.currentRow || grid.anchorRow() != view.anchorRow) {
    view.currentRow = grid.currentRow();
    view.anchorRow = grid.anchorRow();
    const int current = view.currentRow - Grid::kFixedRows;
    const int anchor = view.anchorRow - Grid::kFixedRows;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(window, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int item = std::min(current, anchor); item <= std::max(current, anchor); ++item) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = LVIS_SELECTED | (item == current ? LVIS_FOCUSED : 0);
      SendMessageW(window, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    }
    SendMessageW(window, LVM_SETSELECTIONMARK, 0, anchor);
  }
}

void Win32Windows::refreshList(View& view) {
  const auto& list = static_cast<ListBox&>(*view.control);
  HWND window = view.window;
  bool sameEntries = view.entriesKnown && static_cast<int>(view.entries.size()) == list.count();
  for (int entry = 0; sameEntries && entry < list.count(); ++entry) {
    sameEntries = view.entries[static_cast<std::size_t>(entry)].first == list.item(entry);
  }
  if (!sameEntries) {
    view.entriesKnown = true;
    view.entries.clear();
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    for (int entry = 0; entry < list.count(); ++entry) {
      SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(support::toWide(list.item(entry)).c_str()));
      view.entries.emplace_back(list.item(entry), false);
    }
  }
  for (int entry = 0; entry < list.count(); ++entry) {
    auto& shown = view.entries[static_cast<std::size_t>(entry)];
    if (shown.second == list.selected(entry)) continue;
    shown.second = list.selected(entry);
    SendMessageW(window, LB_SETSEL, shown.second ? TRUE : FALSE, entry);
  }
}

// ---------------------------------------------------------------- windows to models

// Runs what the engineer's action sets off; nothing may unwind through the window procedures
// (the pane's handlers report their own failures; a model refusing a value changes nothing).
template <class Action>
void Win32Windows::act(Action&& action) {
  try {
    action();
  } catch (...) {
    OutputDebugStringW(support::toWide(support::currentExceptionDescription()).c_str());
  }
  refresh();
}

bool Win32Windows::formMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT& result) {
  FormWindow* formWindow = formOfWindow(window);
  if (!formWindow) return false;
  switch (message) {
    case WM_SIZE:
      if (formWindow->shown && wParam != SIZE_MINIMIZED) resized(*formWindow, LOWORD(lParam), HIWORD(lParam));
      result = 0;
      return true;
    case WM_CLOSE:
      closeRequested(formWindow);
      result = 0;
      return true;
    default:
      return containerMessage(window, message, wParam, lParam, result);
  }
}

void Win32Windows::resized(FormWindow& formWindow, int widthPixels, int heightPixels) {
  formWindow.sized = true;
  Form& form = *formWindow.form;
  form.setClientSize(twips(widthPixels), twips(heightPixels));
  if (form.onResize) act([&] { form.onResize(); });
}

bool Win32Windows::containerMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (View* view = viewOfWindow(reinterpret_cast<HWND>(lParam))) {
        command(*view, HIWORD(wParam));
        result = 0;
        return true;
      }
      return false;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (View* view = header ? viewOfWindow(header->hwndFrom) : nullptr) {
        notify(*view, *header);
        result = 0;
        return true;
      }
      return false;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (View* view = viewOfWindow(reinterpret_cast<HWND>(lParam))) {
        scroll(*view, LOWORD(wParam));
        result = 0;
        return true;
      }
      return false;
    case WM_SETCURSOR:
      return LOWORD(lParam) == HTCLIENT && pointerMessage(reinterpret_cast<HWND>(wParam), result);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Labels, frames and buttons on the forms' face colour.
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    default:
      return false;
  }
}

// The hourglass over a control (or a form) whose model asks for it.
bool Win32Windows::pointerMessage(HWND target, LRESULT& result) const {
  MousePointer pointer = MousePointer::Default;
  if (const View* view = viewOfWindow(target)) {
    pointer = view->control->mousePointer();
  } else if (const FormWindow* formWindow = formOfWindow(target)) {
    const auto& controls = formWindow->form->controls();
    if (!controls.empty()) pointer = controls.front()->mousePointer();
  }
  if (pointer != MousePointer::Hourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  result = TRUE;
  return true;
}

void Win32Windows::command(View& view, int code) {
  if (syncing_) return;
  Control& control = *view.control;
  switch (control.kind()) {
    case ControlKind::Button:
      if (code == BN_CLICKED) act([&] { static_cast<Button&>(control).click(); });
      break;
    case ControlKind::DropDownList:
      if (code == CBN_SELCHANGE) {
        const auto index = static_cast<int>(SendMessageW(view.window, CB_GETCURSEL, 0, 0));
        view.listIndex = index;
        if (index >= 0) act([&] { static_cast<DropDownList&>(control).select(index); });
      }
      break;
    case ControlKind::TextBox:
      if (code == EN_CHANGE) {
        view.text = support::fromWide(windowText(view.window));
        act([&] { static_cast<TextBox&>(control).setText(view.text); });
      }
      break;
    case ControlKind::ListBox:
      if (code == LBN_SELCHANGE) {
        auto& list = static_cast<ListBox&>(control);
        act([&] {
          for (int entry = 0; entry < list.count(); ++entry) {
            const bool selected = SendMessageW(view.window, LB_GETSEL, static_cast<WPARAM>(entry), 0) > 0;
            if (static_cast<std::size_t>(entry) < view.entries.size()) {
              view.entries[static_cast<std::size_t>(entry)].second = selected;
            }
            list.setSelected(entry, selected);
          }
        });
      }
      break;
    default:
      break;
  }
}

void Win32Windows::notify(View& view, const NMHDR& header) {
  if (syncing_ || view.control->kind() != ControlKind::Grid) return;
  auto& grid = static_cast<Grid&>(*view.control);
  if (header.code == LVN_ITEMCHANGED) {
    gridSelectionChanged(view);
  } else if (header.code == LVN_KEYDOWN) {
    const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
    const int keyCode = key.wVKey;
    act([&] { grid.keyDown(keyCode, shiftState()); });
  }
}

// The focused item is the grid's current row, the selection mark the other end of the
// selection.
void Win32Windows::gridSelectionChanged(View& view) {
  auto& grid = static_cast<Grid&>(*view.control);
  const auto focused = static_cast<int>(
      SendMessageW(view.window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  const auto mark = static_cast<int>(SendMessageW(view.window, LVM_GETSELECTIONMARK, 0, 0));
  try {
    if (focused >= 0) grid.setCurrentRow(focused + Grid::kFixedRows);
    if (mark >= 0) grid.setAnchorRow(mark + Grid::kFixedRows);
  } catch (...) {
    // An item the grid does not have (yet): the grid's selection stays as it was.
  }
  view.currentRow = grid.currentRow();
  view.anchorRow = grid.anchorRow();
}

void Win32Windows::scroll(View& view, int code) {
  if (syncing_) return;
  auto* bar = dynamic_cast<ScrollBar*>(view.control);
  if (!bar) return;
  int value = bar->value();
  switch (code) {
    case SB_LINEUP: value -= bar->smallChange(); break;
    case SB_LINEDOWN: value += bar->smallChange(); break;
    case SB_PAGEUP: value -= bar->largeChange(); break;
    case SB_PAGEDOWN: value += bar->largeChange(); break;
    case SB_TOP: value = 0; break;
    case SB_BOTTOM: value = bar->max(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(view.window, SB_CTL, &info);
      value = info.nTrackPos;
      break;
    }
    default: return;
  }
  value = std::clamp(value, 0, bar->max());
  if (value != bar->value()) act([&] { bar->setValue(value); });
}

}  // namespace ui::win32
