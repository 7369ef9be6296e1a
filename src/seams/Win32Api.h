#pragma once

#include <cstdint>
#include <functional>

// The window-system and profile functions the system calls, under their Win32
// names and with their Win32 meaning. Text crosses this boundary as 8-bit
// "ANSI" text; our code page is UTF-8.
using HWND = std::intptr_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using BOOL = int;
using DWORD = std::uint32_t;

inline constexpr HWND kNullWindow = 0;
inline constexpr HWND HWND_TOPMOST = -1;

inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;

// Delivered with WM_WINDOWPOSCHANGED; lParam points to it.
struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

class Win32Api {
 public:
  virtual ~Win32Api() = default;

  // Creates a window of the class with the title; parent 0 makes a top-level
  // window. A new child stands on top of its siblings. The procedure receives
  // every message sent to the window; WM_SETTEXT also sets the title.
  virtual HWND CreateWindowA(const char* className, const char* title, HWND parent, WindowProc proc) = 0;
  virtual BOOL DestroyWindow(HWND window) = 0;

  virtual HWND FindWindowA(const char* className, const char* windowName) = 0;
  virtual HWND FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName) = 0;
  virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual int GetWindowTextLengthA(HWND window) = 0;
  virtual int GetWindowTextA(HWND window, char* buffer, int maxCount) = 0;
  virtual BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) = 0;
  virtual BOOL ReleaseCapture() = 0;

  virtual DWORD GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                         char* returned, DWORD size, const char* fileName) = 0;
  virtual BOOL WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                          const char* fileName) = 0;
};
