#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "src/seams/Win32Api.h"

// A simulated window system: top-level and child windows with a class, a
// title and a window procedure, children listed from the top of the z-order
// (newest on top unless moved), messages delivered synchronously. The profile
// functions work on real INI files.
//
// A handle names its window's place in a table, and each window links to its
// first child and to its neighbours among its siblings: finding a window by
// handle and stepping to the next sibling take the same short time however
// many windows there are. Handles are never used again.
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
    // From the top of the z-order: the first child, and the siblings above
    // and below this window.
    HWND firstChild = kNullWindow;
    HWND above = kNullWindow;
    HWND below = kNullWindow;
  };

  static constexpr HWND kFirstHandle = 0x10010;
  static constexpr HWND kHandleStep = 4;

  // The window's place in the table; SIZE_MAX for a value no window had.
  static std::size_t SlotOf(HWND window) {
    if (window < kFirstHandle || (window - kFirstHandle) % kHandleStep != 0) return SIZE_MAX;
    return static_cast<std::size_t>((window - kFirstHandle) / kHandleStep);
  }
  Window* Find(HWND window) {
    const std::size_t slot = SlotOf(window);
    return slot < windows_.size() ? windows_[slot].get() : nullptr;
  }
  const Window* Find(HWND window) const {
    const std::size_t slot = SlotOf(window);
    return slot < windows_.size() ? windows_[slot].get() : nullptr;
  }
  // The first child of the parent (0: of the top level); the parent must exist.
  HWND& FirstChildOf(HWND parent);
  HWND FirstChildOf(HWND parent) const;
  // Puts the window on top of its siblings; takes it out from among them.
  void LinkOnTop(HWND window, Window& w);
  void Unlink(Window& w);

  std::vector<std::unique_ptr<Window>> windows_;  // by handle; empty once destroyed
  HWND firstTopLevel_ = kNullWindow;
};
