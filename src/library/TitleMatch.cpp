#include "src/library/TitleMatch.h"

#include <cstring>
#include <future>
#include <string_view>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Where the key first lies whole in [at, end), or nullptr. Sixteen places
// are tried at once: those where both the key's first and its last byte
// are; only those are compared whole.
const char* FindKey(const char* at, const char* end, std::string_view key) {
  const std::size_t size = key.size();
  if (static_cast<std::size_t>(end - at) < size) return nullptr;
#if defined(__SSE2__)
  if (size >= 2) {
    const __m128i first = _mm_set1_epi8(key.front()), last = _mm_set1_epi8(key.back());
    for (; end - at >= static_cast<std::ptrdiff_t>(size + 15); at += 16) {
      const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + size - 1));
      auto both = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
      for (; both != 0; both &= both - 1) {
        const char* candidate = at + __builtin_ctz(both);
        if (std::memcmp(candidate + 1, key.data() + 1, size - 2) == 0) return candidate;
      }
    }
  }
#endif
  return static_cast<const char*>(memmem(at, static_cast<std::size_t>(end - at), key.data(), size));
}

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
  // A long list is searched in two halves at once, split between entries:
  // the key, which holds no NUL, never lies across two.
  const std::string_view forms = names.SearchForms();
  constexpr std::size_t kHalvesAbove = std::size_t{1} << 20;
  if (forms.size() < kHalvesAbove || std::thread::hardware_concurrency() < 2) return MatchesIn(names, 0, count);
  const int middle = names.EntryAtFormByte(forms.size() / 2) + 1;
  if (middle >= count) return MatchesIn(names, 0, count);
  std::future<std::vector<int>> firstHalf =
      std::async(std::launch::async, [&] { return MatchesIn(names, 0, middle); });
  const std::vector<int> secondHalf = MatchesIn(names, middle, count);
  matches = firstHalf.get();
  matches.insert(matches.end(), secondHalf.begin(), secondHalf.end());
  return matches;
}

std::vector<int> TitleMatch::MatchesIn(const FileNames& names, int first, int end) const {
  std::vector<int> matches;
  const std::string_view forms = names.SearchForms();
  const char* const stop = forms.data() + (end < names.Count() ? names.FormStart(end) : forms.size());
  const char* at = forms.data() + names.FormStart(first);
  int entry = first;
  for (;;) {
    const char* found = FindKey(at, stop, key_);
    if (!found) break;
    entry = names.EntryAtFormByte(static_cast<std::size_t>(found - forms.data()), entry);
    matches.push_back(entry);
    // On to the next entry: each entry is listed once.
    ++entry;
    if (entry >= end) break;
    at = forms.data() + names.FormStart(entry);
  }
  return matches;
}
