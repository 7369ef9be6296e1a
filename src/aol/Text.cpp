#include <cmath>
#include <random>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

double AolClient::RollUpTo(double n) const {
  // Seeded anew from the clock on every call.
  std::mt19937_64 generator(runtime_.ClockSeed());
  // 24 random bits make a float fraction in [0, 1) with no rounding up to 1.
  const float fraction = static_cast<float>(generator() >> 40) / 16777216.0f;
  return std::floor(n * static_cast<double>(fraction) + 1.0);
}

QString AolClient::DropSpaces(const QString& text) {
  if (!text.contains(' ')) return text;
  QString result;
  result.reserve(text.size());
  for (QChar c : text)
    if (c != ' ') result.append(c);
  return result;
}

QString AolClient::ReplaceText(const QString& text, const QString& find, const QString& replacement) {
  if (find.isEmpty()) return text;
  const QString lowerFind = LowerEachCharacter(find);
  QString result = text;
  qsizetype at = LowerEachCharacter(result).indexOf(lowerFind);
  while (at >= 0) {
    result = result.left(at) + replacement + result.mid(at + find.size());
    at = LowerEachCharacter(result).indexOf(lowerFind, at + replacement.size());
  }
  return result;
}
