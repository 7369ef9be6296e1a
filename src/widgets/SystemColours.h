#pragma once

#include <QColor>

// The window system's named colours, with the values of its standard colour
// scheme: the window's look is designed against that scheme, and a desktop
// theme must not turn its white-on-black buttons into something unreadable.
enum class SystemColour { HighlightText, MenuText, WindowText, ButtonText };

inline QColor ColourOf(SystemColour colour) {
  switch (colour) {
    case SystemColour::HighlightText: return QColor(255, 255, 255);
    case SystemColour::MenuText: return QColor(0, 0, 0);
    case SystemColour::WindowText: return QColor(0, 0, 0);
    case SystemColour::ButtonText: return QColor(0, 0, 0);
  }
  return QColor(0, 0, 0);
}
