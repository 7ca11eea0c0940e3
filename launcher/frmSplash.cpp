#include "launcher/frmSplash.h"

#include "base/diagnostics.h"
#include "base/product.h"
#include "launcher/launch_sequence.h"
#include "resources/resource.h"

namespace tessary {
namespace {

constexpr wchar_t kWindowClass[] = L"TessarySplash";
constexpr int kTwipsPerInch = 1440;

// The picture is kept in the executable as the GIF file itself.
PicturePtr LoadSplashPicture(HINSTANCE instance) {
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(IDR_SPLASH_GIF), RT_RCDATA);
  const HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = resource ? SizeofResource(instance, resource) : 0;
  if (bytes == nullptr || size == 0) return nullptr;

  // OleLoadPicture reads from a stream; the stream frees its memory when released.
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
  void* target = memory ? GlobalLock(memory.get()) : nullptr;
  if (target == nullptr) return nullptr;
  CopyMemory(target, bytes, size);
  GlobalUnlock(memory.get());
  IStream* raw_stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &raw_stream))) return nullptr;
  memory.release();
  const std::unique_ptr<IStream, ComRelease> stream(raw_stream);
  IPicture* picture = nullptr;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(&picture)))) {
    return nullptr;
  }
  return PicturePtr(picture);
}

UINT ScreenDpi() {
  const UniqueScreenDC screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

HICON LoadAppIcon(HINSTANCE instance, int size_metric) {
  const int size = GetSystemMetrics(size_metric);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

frmSplash::frmSplash(HINSTANCE instance) : instance_(instance) {}

frmSplash::~frmSplash() {
  if (window_ != nullptr) {
    unloading_ = true;
    DestroyWindow(window_);
  }
}

SIZE frmSplash::ClientSize() const {
  return SIZE{MulDiv(kClientWidthTwips, static_cast<int>(dpi_), kTwipsPerInch),
              MulDiv(kClientHeightTwips, static_cast<int>(dpi_), kTwipsPerInch)};
}

bool frmSplash::Show(int show_command) {
  picture_ = LoadSplashPicture(instance_);
  if (!picture_) Trace(L"the splash picture could not be loaded");
  back_brush_.reset(CreateSolidBrush(kBackColor));
  large_icon_.reset(LoadAppIcon(instance_, SM_CXICON));
  small_icon_.reset(LoadAppIcon(instance_, SM_CXSMICON));
  if (!large_icon_ || !small_icon_) Trace(L"the application icon could not be loaded");

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = large_icon_.get();
  window_class.hIconSm = small_icon_.get();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(back_brush_.get());
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&window_class)) return false;

  dpi_ = ScreenDpi();
  const DWORD style = WS_OVERLAPPEDWINDOW;
  const DWORD ex_style = WS_EX_APPWINDOW;
  const SIZE client = ClientSize();
  RECT frame = {0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  window_ = CreateWindowExW(ex_style, kWindowClass, kProductName, style, left, top, width, height, nullptr,
                            nullptr, instance_, this);
  if (window_ == nullptr) return false;
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_.get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
  // The form asks to be shown normal. Windows takes the first ShowWindow of a process
  // from the show state its starter put in STARTUPINFO instead, when there is one, so a
  // shortcut set to "Run: Minimized" or "Maximized" still gets what it asks for.
  ShowWindow(window_, show_command == SW_HIDE ? SW_HIDE : SW_SHOWNORMAL);
  UpdateWindow(window_);
  Trace(L"splash shown");
  if (SetTimer(window_, kTimer1, kTimer1Interval, nullptr) == 0) {
    // Without its timer the form would stay for ever and nothing would be launched:
    // keep the picture up for the interval all the same, then launch.
    Trace(L"Timer1 could not be set; launching after a plain wait");
    Sleep(kTimer1Interval);
    Timer1_Timer();
  }
  return true;
}

LRESULT CALLBACK frmSplash::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<frmSplash*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<frmSplash*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->HandleMessage(message, wparam, lparam);
}

LRESULT frmSplash::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_TIMER:
      if (wparam == kTimer1) {
        Timer1_Timer();
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(window_, nullptr, TRUE);
      return 0;
    }
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      // Closed by the user: the launcher ends. Unloaded by the timer: the launch goes on,
      // and a pending quit message would make every later message box return at once.
      if (!unloading_) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void frmSplash::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  if (picture_) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    const SIZE client = ClientSize();
    // HIMETRIC runs bottom-up: start at the picture's height and go up by it.
    picture_->Render(dc, 0, 0, client.cx, client.cy, 0, height, width, -height, nullptr);
  }
  EndPaint(window_, &paint);
}

void frmSplash::Timer1_Timer() {
  // Unloading the form takes its timer with it, so this runs once.
  KillTimer(window_, kTimer1);
  unloading_ = true;
  DestroyWindow(window_);
  Trace(L"splash closed");
  LaunchSequence();
}

}  // namespace tessary
