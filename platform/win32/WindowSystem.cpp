#include "platform/win32/WindowSystem.h"

#include <cstdint>
#include <cstring>

#include "platform/win32/ProfileFile.h"

namespace {

bool Matches(const std::string& value, const char* wanted) {
  return wanted == nullptr || std::strcmp(value.c_str(), wanted) == 0;
}

}  // namespace

WindowSystem::WindowSystem() = default;
WindowSystem::~WindowSystem() = default;

HWND& WindowSystem::FirstChildOf(HWND parent) { return parent == kNullWindow ? firstTopLevel_ : Find(parent)->firstChild; }

HWND WindowSystem::FirstChildOf(HWND parent) const {
  return parent == kNullWindow ? firstTopLevel_ : Find(parent)->firstChild;
}

void WindowSystem::LinkOnTop(HWND window, Window& w) {
  HWND& first = FirstChildOf(w.parent);
  w.above = kNullWindow;
  w.below = first;
  if (first != kNullWindow) Find(first)->above = window;
  first = window;
}

void WindowSystem::Unlink(Window& w) {
  if (w.above != kNullWindow)
    Find(w.above)->below = w.below;
  else
    FirstChildOf(w.parent) = w.below;
  if (w.below != kNullWindow) Find(w.below)->above = w.above;
  w.above = w.below = kNullWindow;
}

HWND WindowSystem::CreateWindowA(const char* className, const char* title, HWND parent, WindowProc proc) {
  if (parent != kNullWindow && !Find(parent)) return kNullWindow;
  const HWND handle = kFirstHandle + kHandleStep * static_cast<HWND>(windows_.size());
  auto window = std::make_unique<Window>();
  window->className = className ? className : "";
  window->title = title ? title : "";
  window->parent = parent;
  window->proc = std::move(proc);
  LinkOnTop(handle, *window);
  windows_.push_back(std::move(window));
  return handle;
}

BOOL WindowSystem::DestroyWindow(HWND window) {
  Window* w = Find(window);
  if (!w) return 0;
  // Children go first, as in any window system.
  while (w->firstChild != kNullWindow) DestroyWindow(w->firstChild);
  Unlink(*w);
  windows_[SlotOf(window)].reset();
  return 1;
}

HWND WindowSystem::FindWindowA(const char* className, const char* windowName) {
  return FindWindowExA(kNullWindow, kNullWindow, className, windowName);
}

HWND WindowSystem::FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName) {
  if (parent != kNullWindow && !Find(parent)) return kNullWindow;
  HWND at = FirstChildOf(parent);
  if (childAfter != kNullWindow) {
    const Window* after = Find(childAfter);
    if (!after || after->parent != parent) return kNullWindow;
    at = after->below;
  }
  for (const Window* w; at != kNullWindow; at = w->below) {
    w = Find(at);
    if (Matches(w->className, className) && Matches(w->title, windowName)) return at;
  }
  return kNullWindow;
}

LRESULT WindowSystem::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(window);
  if (!w) return 0;
  if (message == WM_SETTEXT) {
    const char* text = reinterpret_cast<const char*>(lParam);
    w->title = text ? text : "";
  }
  // The procedure may destroy windows, this one included, while it runs.
  WindowProc proc = w->proc;
  if (!proc) return message == WM_SETTEXT ? 1 : 0;
  return proc(window, message, wParam, lParam);
}

int WindowSystem::GetWindowTextLengthA(HWND window) {
  const Window* w = Find(window);
  return w ? static_cast<int>(w->title.size()) : 0;
}

int WindowSystem::GetWindowTextA(HWND window, char* buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  const Window* w = Find(window);
  if (!w) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t count = std::min(w->title.size(), static_cast<std::size_t>(maxCount - 1));
  std::memcpy(buffer, w->title.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

BOOL WindowSystem::SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = Find(window);
  if (!w) return 0;
  if (insertAfter == HWND_TOPMOST) BringToTop(window);
  WINDOWPOS pos{window, insertAfter, x, y, cx, cy, flags};
  WindowProc proc = w->proc;
  if (proc) proc(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return 1;
}

BOOL WindowSystem::ReleaseCapture() { return 1; }

DWORD WindowSystem::GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                             char* returned, DWORD size, const char* fileName) {
  return ProfileFile::GetString(appName, keyName, defaultValue, returned, size, fileName);
}

BOOL WindowSystem::WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                              const char* fileName) {
  return ProfileFile::WriteString(appName, keyName, value, fileName) ? 1 : 0;
}

bool WindowSystem::IsWindow(HWND window) const { return Find(window) != nullptr; }

void WindowSystem::BringToTop(HWND window) {
  Window* w = Find(window);
  if (!w) return;
  Unlink(*w);
  LinkOnTop(window, *w);
}

void WindowSystem::SetTitle(HWND window, const std::string& title) {
  if (Window* w = Find(window)) w->title = title;
}

std::string WindowSystem::Title(HWND window) const {
  const Window* w = Find(window);
  return w ? w->title : std::string();
}

std::string WindowSystem::ClassName(HWND window) const {
  const Window* w = Find(window);
  return w ? w->className : std::string();
}

HWND WindowSystem::Parent(HWND window) const {
  const Window* w = Find(window);
  return w ? w->parent : kNullWindow;
}

std::vector<HWND> WindowSystem::Children(HWND parent) const {
  std::vector<HWND> children;
  if (parent != kNullWindow && !Find(parent)) return children;
  for (HWND at = FirstChildOf(parent); at != kNullWindow; at = Find(at)->below) children.push_back(at);
  return children;
}
