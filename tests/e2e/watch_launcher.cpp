// Starts Tessary.exe and watches it as a person would see it: its windows with their
// properties and a screenshot of the splash, the text of each message box (pressing OK
// on it), and how and when the launcher ended. Writes what it saw to a report file.
//
//   watch_launcher REPORT LAUNCHER [--cwd DIR] [--close-after MS] [--timeout S]
//                  [--screenshot FILE.bmp] [--box-screenshots PREFIX] [--stop-after-paint 1]
// With --box-screenshots each message box is saved, frame and all, as PREFIX-1.bmp,
// PREFIX-2.bmp ... in the order the boxes came, before OK is pressed on it.
// With --stop-after-paint the launcher is ended as soon as its window shows the picture
// (for the benchmark of start-up time and memory).
#include <windows.h>
#include <psapi.h>

#include <map>
#include <set>
#include <vector>

#include "report_file.h"

namespace {

struct Options {
  std::wstring report;
  std::wstring launcher;
  std::wstring cwd;
  std::wstring screenshot;
  std::wstring box_screenshots;
  long long close_after_ms = -1;
  long long timeout_ms = 120000;
  bool stop_after_paint = false;
  bool as_administrator = false;
};

constexpr long long kPollMilliseconds = 10;
constexpr long long kScreenshotAfterMs = 800;
constexpr long long kPressOkAfterMs = 300;
// Time enough for a box to be painted under emulation before it is saved.
constexpr long long kBoxScreenshotAfterMs = 1500;

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

std::wstring Hex(unsigned long value) {
  wchar_t buffer[16];
  wsprintfW(buffer, L"0x%08lX", value);
  return buffer;
}

struct WindowSearch {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD process_id) {
  WindowSearch search{process_id, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring IconSize(HICON icon) {
  if (icon == nullptr) return L"none";
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return L"present";
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  const LONG height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return std::to_wstring(bitmap.bmWidth) + L"x" + std::to_wstring(height);
}

HICON WindowIcon(HWND window, WPARAM which) {
  DWORD_PTR icon = 0;
  SendMessageTimeoutW(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 2000, &icon);
  return reinterpret_cast<HICON>(icon);
}

void RecordSplash(ReportFile& report, HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  RECT outer = {};
  GetWindowRect(window, &outer);
  report.Add(L"splash.class", ClassOf(window));
  report.Add(L"splash.caption", TextOf(window));
  report.Add(L"splash.style", Hex(static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE))));
  report.Add(L"splash.exstyle", Hex(static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE))));
  report.Add(L"splash.client_width", client.right);
  report.Add(L"splash.client_height", client.bottom);
  report.Add(L"splash.client_left", origin.x);
  report.Add(L"splash.client_top", origin.y);
  report.Add(L"splash.window_left", outer.left);
  report.Add(L"splash.window_top", outer.top);
  report.Add(L"splash.window_width", outer.right - outer.left);
  report.Add(L"splash.window_height", outer.bottom - outer.top);
  report.Add(L"screen.width", GetSystemMetrics(SM_CXSCREEN));
  report.Add(L"screen.height", GetSystemMetrics(SM_CYSCREEN));
  report.Add(L"splash.owner", GetWindow(window, GW_OWNER) ? 1 : 0);
  report.Add(L"splash.iconic", IsIconic(window) ? 1 : 0);
  report.Add(L"splash.zoomed", IsZoomed(window) ? 1 : 0);
  // Icons belong to the launcher's process: Wine reports only whether there is one.
  report.Add(L"splash.icon_big", IconSize(WindowIcon(window, ICON_BIG)));
  report.Add(L"splash.icon_small", IconSize(WindowIcon(window, ICON_SMALL)));
}

// What the screen shows in a rectangle, top row first, 0x00RRGGBB each. Wine draws the
// frames itself (the test prefix has no window manager), so a window's rectangle is all of it.
std::vector<DWORD> CopyScreen(int left, int top, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
  GdiFlush();
  std::vector<DWORD> pixels;
  if (bits != nullptr) {
    const auto* first = static_cast<const DWORD*>(bits);
    pixels.assign(first, first + static_cast<size_t>(width) * height);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool SaveBmp(const std::wstring& path, const std::vector<DWORD>& pixels, int width, int height) {
  if (pixels.empty()) return false;
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = -height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER file_header = {};
  const DWORD image_bytes = static_cast<DWORD>(pixels.size() * sizeof(DWORD));
  file_header.bfType = 0x4D42;
  file_header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file_header.bfSize = file_header.bfOffBits + image_bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, &file_header, sizeof(file_header), &written, nullptr) &&
                  WriteFile(file, &info, sizeof(info), &written, nullptr) &&
                  WriteFile(file, pixels.data(), image_bytes, &written, nullptr);
  CloseHandle(file);
  return ok;
}

// Copies the splash's client area from the screen, saves it as a BMP and counts its colours.
void Screenshot(ReportFile& report, HWND window, const std::wstring& path) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return;
  const std::vector<DWORD> shot = CopyScreen(origin.x, origin.y, width, height);
  if (shot.empty()) return;

  std::set<DWORD> colors;
  long long grey = 0;
  for (DWORD bgrx : shot) {
    const DWORD pixel = bgrx & 0x00FFFFFF;
    colors.insert(pixel);
    if (pixel == 0x00C0C0C0) ++grey;
  }
  report.Add(L"shot.colors", static_cast<long long>(colors.size()));
  report.Add(L"shot.grey_per_mille", grey * 1000 / (static_cast<long long>(width) * height));
  report.Add(L"shot.width", width);
  report.Add(L"shot.height", height);
  if (!path.empty() && SaveBmp(path, shot, width, height)) report.Add(L"shot.file", path);
}

// Saves a message box as it is seen, frame included.
void BoxScreenshot(ReportFile& report, int index, HWND box, const std::wstring& prefix) {
  RECT outer = {};
  GetWindowRect(box, &outer);
  if (outer.right <= outer.left || outer.bottom <= outer.top) return;
  const std::wstring path = prefix + L"-" + std::to_wstring(index) + L".bmp";
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  if (SaveBmp(path, CopyScreen(outer.left, outer.top, width, height), width, height)) {
    report.Add(L"box." + std::to_wstring(index) + L".shot", path);
  }
}

void RecordBox(ReportFile& report, int index, HWND box, long long at) {
  const std::wstring key = L"box." + std::to_wstring(index);
  report.Add(key + L".caption", TextOf(box));
  wchar_t text[8192] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 8192);
  report.Add(key + L".text", text);
  report.Add(key + L".at", at);
  // Windows numbers the icon control 20, Wine 1088; without an icon it is hidden.
  bool has_icon = false;
  for (int id : {20, 1088}) {
    const HWND icon = GetDlgItem(box, id);
    if (icon && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0) has_icon = true;
  }
  report.Add(key + L".icon", has_icon ? 1 : 0);
  std::wstring buttons;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == L"Button" && IsWindowVisible(child)) {
      if (!buttons.empty()) buttons += L",";
      buttons += TextOf(child);
    }
  }
  report.Add(key + L".buttons", buttons);
}

// True once the window's client area shows more than its grey background: most of a
// few points spread over it have another colour.
bool PictureShown(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const HDC screen = GetDC(nullptr);
  int coloured = 0;
  for (int i = 1; i <= 7; ++i) {
    const COLORREF pixel =
        GetPixel(screen, origin.x + client.right * i / 8, origin.y + client.bottom * ((i * 3) % 8 + 1) / 9);
    if (pixel != CLR_INVALID && pixel != RGB(192, 192, 192)) ++coloured;
  }
  ReleaseDC(nullptr, screen);
  return coloured >= 4;
}

void RecordMemory(ReportFile& report, HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
    report.Add(L"memory.peak_working_set", static_cast<long long>(counters.PeakWorkingSetSize));
  }
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  if (argc < 3) return false;
  options.report = argv[1];
  options.launcher = argv[2];
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const std::wstring value = argv[i + 1];
    if (name == L"--cwd") options.cwd = value;
    else if (name == L"--close-after") options.close_after_ms = _wtoi64(value.c_str());
    else if (name == L"--timeout") options.timeout_ms = _wtoi64(value.c_str()) * 1000;
    else if (name == L"--screenshot") options.screenshot = value;
    else if (name == L"--box-screenshots") options.box_screenshots = value;
    else if (name == L"--stop-after-paint") options.stop_after_paint = value == L"1";
    else if (name == L"--as-administrator") options.as_administrator = value == L"1";
    else return false;
  }
  return true;
}

// What a double-click gives the launcher: an administrator's limited token, as under UAC.
// Wine runs every process with the elevated one, which a run as administrator gets.
HANDLE LimitedToken() {
  HANDLE token = nullptr;
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  TOKEN_ELEVATION elevation = {};
  const bool elevated = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                        GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
                        elevation.TokenIsElevated;
  const bool found = elevated && GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size);
  if (token != nullptr) CloseHandle(token);
  return found ? linked.LinkedToken : nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;

  ReportFile report;
  // A program deeper than MAX_PATH cannot be started by its long path; a shell starts
  // it by its short name.
  if (options.launcher.size() >= MAX_PATH) {
    wchar_t short_path[MAX_PATH] = {};
    const std::wstring extended = L"\\\\?\\" + options.launcher;
    const DWORD length = GetShortPathNameW(extended.c_str(), short_path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      options.launcher = short_path;
      if (options.launcher.compare(0, 4, L"\\\\?\\") == 0) options.launcher.erase(0, 4);
    }
    report.Add(L"launcher.short_path", options.launcher);
  }
  std::wstring command_line = L"\"" + options.launcher + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION launcher = {};
  const long long started = NowMilliseconds();
  const HANDLE token = options.as_administrator ? nullptr : LimitedToken();
  if (!CreateProcessAsUserW(token, options.launcher.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            options.cwd.empty() ? nullptr : options.cwd.c_str(), &startup, &launcher)) {
    report.Add(L"start_error", static_cast<long long>(GetLastError()));
    report.Save(options.report);
    return 1;
  }
  report.Add(L"launcher.started", started);
  report.Add(L"launcher.pid", static_cast<long long>(launcher.dwProcessId));

  HWND splash = nullptr;
  long long splash_seen = 0;
  bool shot_taken = false;
  bool close_sent = false;
  std::map<HWND, long long> boxes_seen;  // box -> first seen
  std::map<HWND, int> box_numbers;
  std::set<HWND> boxes_pressed;
  int box_count = 0;
  int splash_count = 0;
  const long long press_ok_after_ms = options.box_screenshots.empty() ? kPressOkAfterMs : kBoxScreenshotAfterMs;

  for (;;) {
    const long long now = NowMilliseconds();
    const bool exited = WaitForSingleObject(launcher.hProcess, 0) == WAIT_OBJECT_0;
    const std::vector<HWND> windows = exited ? std::vector<HWND>() : WindowsOf(launcher.dwProcessId);

    bool splash_present = false;
    for (HWND window : windows) {
      if (ClassOf(window) == L"#32770") {
        if (boxes_seen.emplace(window, now).second) {
          box_numbers[window] = ++box_count;
          RecordBox(report, box_count, window, now);
        }
        if (now - boxes_seen[window] >= press_ok_after_ms && boxes_pressed.insert(window).second) {
          if (!options.box_screenshots.empty()) {
            BoxScreenshot(report, box_numbers[window], window, options.box_screenshots);
          }
          const HWND ok = GetDlgItem(window, IDOK);
          PostMessageW(ok ? ok : window, ok ? BM_CLICK : WM_CLOSE, 0, 0);
        }
        continue;
      }
      if (window == splash) {
        splash_present = true;
      } else if (splash == nullptr) {
        splash = window;
        splash_seen = now;
        splash_present = true;
        ++splash_count;
        report.Add(L"splash.shown", now);
        RecordSplash(report, window);
      } else {
        report.Add(L"other_window", ClassOf(window) + L" " + TextOf(window));
      }
    }
    if (splash != nullptr && splash_present && options.stop_after_paint && PictureShown(splash)) {
      report.Add(L"splash.painted", NowMilliseconds());
      RecordMemory(report, launcher.hProcess);
      TerminateProcess(launcher.hProcess, 0);
      WaitForSingleObject(launcher.hProcess, 5000);
      break;
    }
    if (splash != nullptr && splash_present) {
      if (!shot_taken && now - splash_seen >= kScreenshotAfterMs) {
        shot_taken = true;
        Screenshot(report, splash, options.screenshot);
        RecordMemory(report, launcher.hProcess);
      }
      if (options.close_after_ms >= 0 && !close_sent && now - splash_seen >= options.close_after_ms) {
        close_sent = true;
        report.Add(L"splash.close_sent", now);
        PostMessageW(splash, WM_CLOSE, 0, 0);
      }
    }
    if (splash != nullptr && !splash_present && splash_seen != 0) {
      report.Add(L"splash.gone", now);
      report.Add(L"splash.lifetime_ms", now - splash_seen);
      splash_seen = 0;
    }
    if (exited) break;
    if (now - started > options.timeout_ms) {
      report.Add(L"timed_out", 1);
      TerminateProcess(launcher.hProcess, 99);
      WaitForSingleObject(launcher.hProcess, 5000);
      break;
    }
    Sleep(kPollMilliseconds);
  }

  DWORD exit_code = 0;
  GetExitCodeProcess(launcher.hProcess, &exit_code);
  report.Add(L"launcher.exit_code", static_cast<long long>(exit_code));
  report.Add(L"launcher.ended", NowMilliseconds());
  report.Add(L"box.count", box_count);
  report.Add(L"splash.count", splash_count);
  CloseHandle(launcher.hThread);
  CloseHandle(launcher.hProcess);
  return report.Save(options.report) ? 0 : 1;
}
