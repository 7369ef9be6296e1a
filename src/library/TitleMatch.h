#pragma once

#include <string>
#include <vector>

#include <QString>

#include "src/widgets/FileListBoxNames.h"

// The title search's comparison: a file name matches when the search key
// occurs in it once both have lost their spaces and are in lower case, one
// character at a time. The file list keeps that form of every entry (its
// search form, in UTF-8); the key is put in the same form, and a substring of
// whole characters in UTF-8 is one in UTF-16 too.
class TitleMatch {
 public:
  explicit TitleMatch(const QString& searchText);

  bool Matches(const QString& entry) const;
  // The entries that match, in list order: one pass over the search forms.
  std::vector<int> MatchingEntries(const FileNames& names) const;

 private:
  bool MatchesForm(std::string_view form) const;
  // The matches among the entries [first, end).
  std::vector<int> MatchesIn(const FileNames& names, int first, int end) const;

  std::string key_;  // the key's search form
  // A key holding half of a surrogate pair has no UTF-8 form: it is compared
  // unit by unit, as UTF-16, with the entries' forms.
  std::u16string oddKey_;
  bool odd_ = false;
};
