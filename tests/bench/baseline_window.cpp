// The benchmark's reference for start-up: the least a program can do to show the same
// picture in a window of the same size, the same way (an OLE picture from the embedded
// GIF, stretched over the client area).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

namespace {

IPicture* g_picture = nullptr;

IPicture* LoadPicture(HINSTANCE instance) {
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(101), RT_RCDATA);
  const DWORD size = SizeofResource(instance, resource);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  CopyMemory(GlobalLock(memory), LockResource(LoadResource(instance, resource)), size);
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(memory, TRUE, &stream);
  IPicture* picture = nullptr;
  OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
  stream->Release();
  return picture;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    g_picture->get_Width(&width);
    g_picture->get_Height(&height);
    g_picture->Render(dc, 0, 0, client.right, client.bottom, 0, height, width, -height, nullptr);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  OleInitialize(nullptr);
  g_picture = LoadPicture(instance);
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = CreateSolidBrush(RGB(192, 192, 192));
  window_class.lpszClassName = L"BaselineWindow";
  RegisterClassW(&window_class);
  RECT frame = {0, 0, 496, 444};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  const HWND window = CreateWindowExW(0, L"BaselineWindow", L"Baseline", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                      nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
