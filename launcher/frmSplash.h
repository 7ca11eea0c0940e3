#ifndef TESSARY_LAUNCHER_FRMSPLASH_H_
#define TESSARY_LAUNCHER_FRMSPLASH_H_

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "base/unique_handle.h"

namespace tessary {

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
using PicturePtr = std::unique_ptr<IPicture, ComRelease>;

// The start-up form: the product picture stretched over a 7440 x 6660 twip client area,
// centred on the screen. Its timer fires once, 2000 ms after the form is shown, and runs
// the launch sequence. Closing the form before then ends the launcher.
class frmSplash {
 public:
  static constexpr UINT_PTR kTimer1 = 1;
  static constexpr UINT kTimer1Interval = 2000;
  static constexpr COLORREF kBackColor = RGB(192, 192, 192);
  static constexpr int kClientWidthTwips = 7440;
  static constexpr int kClientHeightTwips = 6660;

  explicit frmSplash(HINSTANCE instance);
  frmSplash(const frmSplash&) = delete;
  frmSplash& operator=(const frmSplash&) = delete;
  ~frmSplash();

  // Creates and shows the form and starts Timer1. False when the window cannot be created.
  bool Show(int show_command);

 private:
  // An exception must not unwind through the system's frames that call a window
  // procedure (on 64-bit Windows they may even swallow it): it ends the launcher here.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Paint();
  void Timer1_Timer();
  // Image1's rectangle: the client area's size at the window's current DPI.
  SIZE ClientSize() const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  bool unloading_ = false;
  PicturePtr picture_;
  UniqueGdiObject back_brush_;
  UniqueIcon large_icon_;
  UniqueIcon small_icon_;
};

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_FRMSPLASH_H_
