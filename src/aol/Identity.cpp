#include <algorithm>
#include <vector>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

QString AolClient::ReadWindowTitle(HWND window) const {
  int length = win32_.GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  int copied = win32_.GetWindowTextA(window, buffer.data(), length + 1);
  return FromAnsi(buffer.data(), std::max(0, copied));
}

QString AolClient::OwnScreenName() const {
  static const QString kWelcome = QStringLiteral("Welcome, ");
  HWND mdi = MdiClient();
  if (mdi == kNullWindow) return {};
  for (HWND child = win32_.FindWindowExA(mdi, kNullWindow, "AOL Child", nullptr); child != kNullWindow;
       child = win32_.FindWindowExA(mdi, child, "AOL Child", nullptr)) {
    QString title = ReadWindowTitle(child);
    if (!title.startsWith(kWelcome)) continue;
    qsizetype bang = title.indexOf('!');
    // A welcome title without "!" names whoever follows the greeting.
    if (bang < 0) return title.mid(kWelcome.size());
    return title.mid(kWelcome.size(), bang - kWelcome.size());
  }
  return {};
}
