#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "src/seams/Win32Api.h"

// A simulated window system: top-level and child windows with a class, a
// title and a window procedure, children listed from the top of the z-order
// (newest on top unless moved), messages delivered synchronously. The profile
// functions work on real INI files.
class WindowSystem : public Win32Api {
 public:
  WindowSystem();
  ~WindowSystem() override;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  HWND CreateWindowA(const char* className, const char* title, HWND parent, WindowProc proc) override;
  BOOL DestroyWindow(HWND window) override;

  HWND FindWindowA(const char* className, const char* windowName) override;
  HWND FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName) override;
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int GetWindowTextLengthA(HWND window) override;
  int GetWindowTextA(HWND window, char* buffer, int maxCount) override;
  BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL ReleaseCapture() override;

  DWORD GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                 char* returned, DWORD size, const char* fileName) override;
  BOOL WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                  const char* fileName) override;

  // Beyond Win32's names: what the stand-ins of other programs and the tests use.
  bool IsWindow(HWND window) const;
  // Moves the window to the top of its siblings.
  void BringToTop(HWND window);
  // Sets the title without sending a message, as a program does to its own window.
  void SetTitle(HWND window, const std::string& title);
  std::string Title(HWND window) const;
  std::string ClassName(HWND window) const;
  HWND Parent(HWND window) const;
  // Children from the top of the z-order; for 0 the top-level windows.
  std::vector<HWND> Children(HWND parent) const;

 private:
  struct Window {
    std::string className;
    std::string title;
    HWND parent = kNullWindow;
    WindowProc proc;
  };

  Window* Find(HWND window);
  const Window* Find(HWND window) const;
  std::vector<HWND>& SiblingsOf(HWND parent);

  std::map<HWND, std::unique_ptr<Window>> windows_;
  std::map<HWND, std::vector<HWND>> children_;  // key 0 holds the top-level windows
  HWND nextHandle_ = 0x10010;
};
