#pragma once

#include <QString>
#include <QStringView>

// IRC text written readably in tests: {B} bold, {O} reset, {C04} colour 04,
// {C04,01} colour with background.
inline QString Irc(QStringView markup) {
  QString text;
  for (qsizetype i = 0; i < markup.size(); ++i) {
    const qsizetype close = markup[i] == u'{' ? markup.indexOf(u'}', i) : -1;
    if (close < 0) {
      text.append(markup[i]);
      continue;
    }
    const QStringView code = markup.sliced(i + 1, close - i - 1);
    if (code == u"B") {
      text.append(QChar(0x02));
    } else if (code == u"O") {
      text.append(QChar(0x0F));
    } else if (code.startsWith(u'C')) {
      text.append(QChar(0x03));
      text.append(code.sliced(1));
    } else {
      text.append(markup.sliced(i, close - i + 1));
    }
    i = close;
  }
  return text;
}
