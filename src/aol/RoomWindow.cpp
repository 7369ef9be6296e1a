#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

HWND AolClient::MdiClient() const {
  HWND frame = win32_.FindWindowA("AOL Frame25", nullptr);
  if (frame == kNullWindow) return kNullWindow;
  return win32_.FindWindowExA(frame, kNullWindow, "MDIClient", nullptr);
}

HWND AolClient::FindRoomWindow() const {
  HWND mdi = MdiClient();
  if (mdi == kNullWindow) return kNullWindow;
  for (HWND child = win32_.FindWindowExA(mdi, kNullWindow, "AOL Child", nullptr); child != kNullWindow;
       child = win32_.FindWindowExA(mdi, child, "AOL Child", nullptr)) {
    // All four marker lookups are made, whatever the first ones found.
    HWND rich = win32_.FindWindowExA(child, kNullWindow, "RICHCNTL", nullptr);
    HWND list = win32_.FindWindowExA(child, kNullWindow, "_AOL_Listbox", nullptr);
    HWND icon = win32_.FindWindowExA(child, kNullWindow, "_AOL_Icon", nullptr);
    HWND label = win32_.FindWindowExA(child, kNullWindow, "_AOL_Static", nullptr);
    if (rich && list && icon && label) return child;
  }
  return kNullWindow;
}

void AolClient::SendRoomLine(const QString& text) const {
  HWND room = FindRoomWindow();
  if (room == kNullWindow) return;
  HWND transcript = win32_.FindWindowExA(room, kNullWindow, "RICHCNTL", nullptr);
  HWND input = win32_.FindWindowExA(room, transcript, "RICHCNTL", nullptr);
  if (input == kNullWindow) return;
  QByteArray line = ToAnsi(text);
  win32_.SendMessageA(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.constData()));
  win32_.SendMessageA(input, WM_CHAR, 13, 0);
}
