#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

void AolClient::OpenKeyword(const QString& text) const {
  HWND window = win32_.FindWindowA("AOL Frame25", nullptr);
  for (const char* className : {"AOL Toolbar", "_AOL_Toolbar", "_AOL_Combobox", "Edit"}) {
    if (window == kNullWindow) return;
    window = win32_.FindWindowExA(window, kNullWindow, className, nullptr);
  }
  if (window == kNullWindow) return;
  QByteArray keyword = ToAnsi(text);
  win32_.SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(keyword.constData()));
  win32_.SendMessageA(window, WM_CHAR, 32, 0);
  win32_.SendMessageA(window, WM_CHAR, 13, 0);
}

void AolClient::EnterPrivateRoom(const QString& roomName) const {
  OpenKeyword(QStringLiteral("aol://2719:2-2-") + roomName);
}
