#include <algorithm>
#include <string_view>

#include <QVarLengthArray>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

namespace {

// A window's title as the window system gives it, in the code page's bytes:
// its length, then its text. Short titles need no allocation.
class TitleBytes {
 public:
  TitleBytes(Win32Api& win32, HWND window) {
    const int length = win32.GetWindowTextLengthA(window);
    if (length <= 0) return;
    buffer_.resize(length + 1);  // the count copied says how much of it is text
    const int copied = win32.GetWindowTextA(window, buffer_.data(), length + 1);
    size_ = static_cast<std::size_t>(std::max(0, copied));
  }
  // Whether the title's text begins with the ASCII text: as its bytes do,
  // after the byte-order mark that FromAnsi does not take as text.
  bool StartsWith(std::string_view ascii) const {
    std::string_view bytes(buffer_.data(), size_);
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes.starts_with(ascii);
  }
  QString Text() const { return FromAnsi(buffer_.data(), static_cast<qsizetype>(size_)); }

 private:
  QVarLengthArray<char, 256> buffer_;
  std::size_t size_ = 0;
};

}  // namespace

QString AolClient::ReadWindowTitle(HWND window) const { return TitleBytes(win32_, window).Text(); }

QString AolClient::OwnScreenName() const {
  // ASCII: a title begins with it exactly when its bytes do.
  static constexpr std::string_view kWelcome = "Welcome, ";
  HWND mdi = MdiClient();
  if (mdi == kNullWindow) return {};
  for (HWND child = win32_.FindWindowExA(mdi, kNullWindow, "AOL Child", nullptr); child != kNullWindow;
       child = win32_.FindWindowExA(mdi, child, "AOL Child", nullptr)) {
    // Every title is read; only the welcome window's is made into text.
    const TitleBytes title(win32_, child);
    if (!title.StartsWith(kWelcome)) continue;
    const QString text = title.Text();
    const qsizetype start = static_cast<qsizetype>(kWelcome.size());
    qsizetype bang = text.indexOf('!');
    // A welcome title without "!" names whoever follows the greeting.
    if (bang < 0) return text.mid(start);
    return text.mid(start, bang - start);
  }
  return {};
}
