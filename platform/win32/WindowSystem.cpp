#include "platform/win32/WindowSystem.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/ProfileFile.h"

namespace {

bool Matches(const std::string& value, const char* wanted) {
  return wanted == nullptr || value == wanted;
}

}  // namespace

WindowSystem::WindowSystem() = default;
WindowSystem::~WindowSystem() = default;

WindowSystem::Window* WindowSystem::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

const WindowSystem::Window* WindowSystem::Find(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

std::vector<HWND>& WindowSystem::SiblingsOf(HWND parent) { return children_[parent]; }

HWND WindowSystem::CreateWindowA(const char* className, const char* title, HWND parent, WindowProc proc) {
  if (parent != kNullWindow && !Find(parent)) return kNullWindow;
  HWND handle = nextHandle_;
  nextHandle_ += 4;
  auto window = std::make_unique<Window>();
  window->className = className ? className : "";
  window->title = title ? title : "";
  window->parent = parent;
  window->proc = std::move(proc);
  windows_.emplace(handle, std::move(window));
  auto& siblings = SiblingsOf(parent);
  siblings.insert(siblings.begin(), handle);
  return handle;
}

BOOL WindowSystem::DestroyWindow(HWND window) {
  Window* w = Find(window);
  if (!w) return 0;
  // Children go first, as in any window system.
  for (HWND child : Children(window)) DestroyWindow(child);
  children_.erase(window);
  auto& siblings = SiblingsOf(w->parent);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  windows_.erase(window);
  return 1;
}

HWND WindowSystem::FindWindowA(const char* className, const char* windowName) {
  return FindWindowExA(kNullWindow, kNullWindow, className, windowName);
}

HWND WindowSystem::FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName) {
  if (parent != kNullWindow && !Find(parent)) return kNullWindow;
  auto it = children_.find(parent);
  if (it == children_.end()) return kNullWindow;
  const auto& siblings = it->second;
  auto pos = siblings.begin();
  if (childAfter != kNullWindow) {
    pos = std::find(siblings.begin(), siblings.end(), childAfter);
    if (pos == siblings.end()) return kNullWindow;
    ++pos;
  }
  for (; pos != siblings.end(); ++pos) {
    const Window* w = Find(*pos);
    if (w && Matches(w->className, className) && Matches(w->title, windowName)) return *pos;
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
  const Window* w = Find(window);
  if (!w) return;
  auto& siblings = SiblingsOf(w->parent);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  siblings.insert(siblings.begin(), window);
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
  auto it = children_.find(parent);
  return it == children_.end() ? std::vector<HWND>() : it->second;
}
