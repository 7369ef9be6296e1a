#pragma once

#include <QGuiApplication>
#include <QString>

// Whether windows are seen by anyone: false on Qt's offscreen and minimal
// platforms, where the program runs without a display.
inline bool HasScreen() {
  const QString platform = QGuiApplication::platformName();
  return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
