#include "src/shared/Numbers.h"

#include <clocale>
#include <cstdlib>
#include <string>

#include <locale.h>

std::optional<double> ParseDecimal(const QString& text) {
  QString t = text;
  while (t.startsWith(' ')) t.remove(0, 1);
  while (t.endsWith(' ')) t.chop(1);

  qsizetype i = 0;
  const qsizetype n = t.size();
  auto isDigit = [&](qsizetype k) { return k < n && t[k] >= '0' && t[k] <= '9'; };
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  qsizetype digits = 0;
  while (isDigit(i)) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (isDigit(i)) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    if (!isDigit(i)) return std::nullopt;
    while (isDigit(i)) ++i;
  }
  if (i != n) return std::nullopt;

  // Only a plain numeral is left; read it in the C locale whatever the
  // user's locale. A numeral too large for a double reads as an infinity of
  // its sign, one too small as zero: both are still numbers.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  const std::string ascii = t.toStdString();
  return strtod_l(ascii.c_str(), nullptr, cLocale);
}
