// The window layer's forms: the window classes, a form's window and its controls' windows from
// opening to closing, the look-ups between models and windows, and refresh().
#include "ui/win32/win32_windows.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>

#include "support/err.h"
#include "support/wide_text.h"
#include "support/window_messages.h"
#include "ui/win32/container_windows.h"
#include "ui/win32/control_view.h"
#include "ui/win32/form_window.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"CorvaneForm";

// The process's layer: window procedures are plain functions and find it here.
Win32Windows* layer = nullptr;

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (layer && layer->formMessage(window, message, wParam, lParam, result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

void registerFormClass() {
  registerContainerClass(kFormClass, formProc, "form", LoadIconW(nullptr, IDI_APPLICATION));
}

// Once per process: the common controls and the layer's own window classes.
void registerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    registerFormClass();
    registerPictureBoxClass();
  });
}

}  // namespace

bool layerContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           LRESULT& result) {
  return layer && layer->containerMessage(window, message, wParam, lParam, result);
}

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
  HFONT get() const {
    return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }

 private:
  HFONT font_;
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

int Win32Windows::pixels(int twips) const { return Scale(dpi_).pixels(twips); }
int Win32Windows::twips(int pixels) const { return Scale(dpi_).twips(pixels); }

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

ControlView* Win32Windows::viewOfWindow(HWND window) const {
  if (!window) return nullptr;
  for (const auto& formWindow : forms_) {
    for (const auto& view : formWindow->views) {
      if (view->window() == window) return view.get();
    }
  }
  return nullptr;
}

HWND Win32Windows::windowOf(const Control& control) const {
  for (const auto& formWindow : forms_) {
    for (const auto& view : formWindow->views) {
      if (&view->control() == &control) return view->window();
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
  if (FormWindow* existing = find(form)) {
    return reinterpret_cast<support::WindowHandle>(existing->window);
  }
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
      HWND parent = control->parent() ? windowOf(*control->parent()) : formWindow.window;
      if (!parent) {
        ++it;
        continue;
      }
      std::unique_ptr<ControlView> view = makeView(*control, Scale(dpi_));
      view->create(parent, static_cast<int>(formWindow.views.size()) + 1, font_->get());
      formWindow.views.push_back(std::move(view));
      it = pending.erase(it);
      progress = true;
    }
    if (!progress) {
      throw support::RuntimeError(pending.front()->name() + " has a parent outside its form");
    }
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
  for (const auto& view : formWindow.views) view->refresh();
  if (formWindow.shown && form.visible() != (IsWindowVisible(formWindow.window) != FALSE)) {
    ShowWindow(formWindow.window, form.visible() ? SW_SHOW : SW_HIDE);
  }
}

}  // namespace ui::win32
