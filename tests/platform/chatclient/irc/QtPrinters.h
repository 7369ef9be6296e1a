#pragma once

#include <cstdio>
#include <ostream>

#include <QByteArray>
#include <QString>

// Readable failure messages: text in quotes, control bytes as \xNN.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
  *out << '"';
  for (char c : bytes) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      *out << hex;
    } else {
      *out << c;
    }
  }
  *out << '"';
}

inline void PrintTo(const QString& text, std::ostream* out) { PrintTo(text.toUtf8(), out); }
