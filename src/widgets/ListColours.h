#pragma once

#include <QColor>
#include <QAbstractItemView>

// The text and background colours of a list's entries.
inline void SetListColours(QAbstractItemView& list, const QColor& text, const QColor& background) {
  QPalette colours = list.palette();
  colours.setColor(QPalette::Base, background);
  colours.setColor(QPalette::Text, text);
  list.setPalette(colours);
}
