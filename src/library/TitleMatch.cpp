#include "src/library/TitleMatch.h"

namespace {

// Lower case of one UTF-16 unit, as QChar::toLower does, quick for ASCII.
char16_t Lower(char16_t c) {
  if (c < 128) return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c;
  return QChar(c).toLower().unicode();
}

void CompareForm(const QString& text, std::u16string& out) {
  out.resize(static_cast<std::size_t>(text.size()));
  std::size_t length = 0;
  for (QChar c : text)
    if (c != ' ') out[length++] = Lower(c.unicode());
  out.resize(length);
}

}  // namespace

TitleMatch::TitleMatch(const QString& searchText) { CompareForm(searchText, key_); }

bool TitleMatch::Matches(const QString& entry) {
  CompareForm(entry, entry_);
  return entry_.find(key_) != std::u16string::npos;
}
