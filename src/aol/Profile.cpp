#include <climits>
#include <cstdio>
#include <vector>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"
#include "src/seams/Diagnostic.h"

namespace {
// A value comes back with at most this many characters.
constexpr qsizetype kValueCharacters = 749;
// UTF-8 needs up to four bytes a character.
constexpr DWORD kBufferBytes = (kValueCharacters + 1) * 4;
// The longest path the system takes, in bytes, its terminator included.
constexpr DWORD kPathBytes = PATH_MAX;

QString ReadProfileString(Win32Api& win32, const QString& section, const QString& key, const QString& file,
                          DWORD bufferBytes) {
  std::vector<char> buffer(bufferBytes, '\0');
  DWORD count = win32.GetPrivateProfileStringA(ToAnsi(section).constData(), ToAnsi(key.toLower()).constData(), "",
                                               buffer.data(), bufferBytes, ToAnsi(file).constData());
  return FromAnsi(buffer.data(), static_cast<qsizetype>(count));
}
}  // namespace

QString AolClient::ReadIniValue(const QString& section, const QString& key, const QString& file) const {
  return ReadProfileString(win32_, section, key, file, kBufferBytes).left(kValueCharacters);
}

QString AolClient::ReadIniPath(const QString& section, const QString& key, const QString& file) const {
  return ReadProfileString(win32_, section, key, file, kPathBytes);
}

void AolClient::WriteIniValue(const QString& section, const QString& key, const QString& value,
                              const QString& file) const {
  BOOL written = win32_.WritePrivateProfileStringA(ToAnsi(section).constData(), ToAnsi(key.toUpper()).constData(),
                                                   ToAnsi(value).constData(), ToAnsi(file).constData());
  // Callers go on as if it worked; the owner still deserves to know.
  if (!written) Diagnose("could not save the setting in " + ToAnsi(file).toStdString());
}
