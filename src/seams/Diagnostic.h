#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QString>

// One line on standard error, behind the program's name: how the program
// tells its owner that something outside it failed. Nothing else is written
// there.
inline void Diagnose(std::string_view message) {
  std::fprintf(stderr, "morva: %.*s\n", static_cast<int>(message.size()), message.data());
}

inline void Diagnose(const char* message) { Diagnose(std::string_view(message)); }
inline void Diagnose(const std::string& message) { Diagnose(std::string_view(message)); }

inline void Diagnose(const QString& message) {
  const QByteArray bytes = message.toLocal8Bit();
  Diagnose(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}
