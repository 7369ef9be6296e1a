#include "src/shared/Numbers.h"

#include <charconv>
#include <string>

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

  // Only ASCII is left. from_chars reads it the same in every locale; it
  // takes no leading plus sign.
  std::string ascii = t.toStdString();
  const char* first = ascii.data();
  if (*first == '+') ++first;
  double value = 0;
  auto [end, error] = std::from_chars(first, ascii.data() + ascii.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too small rounds to zero; too large is no number we can use.
    auto exponent = ascii.find_first_of("eE");
    bool tiny = exponent != std::string::npos && exponent + 1 < ascii.size() && ascii[exponent + 1] == '-';
    if (!tiny) return std::nullopt;
    return 0.0;
  }
  if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}
