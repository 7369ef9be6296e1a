#include "src/library/TitleMatch.h"

#include <cstring>
#include <string_view>

namespace {

bool HasLoneSurrogate(QStringView text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
      ++i;
    else if (c.isSurrogate())
      return true;
  }
  return false;
}

}  // namespace

TitleMatch::TitleMatch(const QString& searchText) {
  odd_ = HasLoneSurrogate(searchText);
  if (!odd_) {
    AppendSearchForm(QStringView(searchText), key_);
    return;
  }
  for (const QChar c : searchText)
    if (c != u' ') oddKey_.push_back(c.toLower().unicode());
}

bool TitleMatch::MatchesForm(std::string_view form) const {
  if (!odd_) return form.find(key_) != std::string_view::npos;
  const QString entry = QString::fromUtf8(form.data(), static_cast<qsizetype>(form.size()));
  return std::u16string_view(reinterpret_cast<const char16_t*>(entry.utf16()), static_cast<std::size_t>(entry.size()))
             .find(oddKey_) != std::u16string_view::npos;
}

bool TitleMatch::Matches(const QString& entry) const {
  std::string form;
  AppendSearchForm(QStringView(entry), form);
  return MatchesForm(form);
}

std::vector<int> TitleMatch::MatchingEntries(const FileNames& names) const {
  std::vector<int> matches;
  const int count = names.Count();
  // No name or tag field holds a NUL; a key that does is in no entry. The
  // forms end in NULs, so a key without one found in them lies inside one
  // field of one entry's form.
  if (key_.find('\0') != std::string::npos || oddKey_.find(u'\0') != std::u16string::npos) return matches;
  if (odd_ || key_.empty()) {
    for (int i = 0; i < count; ++i)
      if (MatchesForm(names.SearchForm(i))) matches.push_back(i);
    return matches;
  }
  const std::string_view forms = names.SearchForms();
  std::size_t at = 0;
  int entry = 0;
  while (at < forms.size()) {
    const void* found = memmem(forms.data() + at, forms.size() - at, key_.data(), key_.size());
    if (!found) break;
    const auto offset = static_cast<std::size_t>(static_cast<const char*>(found) - forms.data());
    entry = names.EntryAtFormByte(offset, entry);
    matches.push_back(entry);
    // On to the next entry: each entry is listed once.
    ++entry;
    if (entry >= count) break;
    at = names.FormStart(entry);
  }
  return matches;
}
