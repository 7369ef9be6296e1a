#pragma once

#include <vector>

#include <QString>

// The title search's comparison: a file name matches when the search key
// occurs in it once both have lost their spaces and are in lower case, one
// character at a time.
class TitleMatch {
 public:
  explicit TitleMatch(const QString& searchText);

  bool Matches(const QString& entry);

 private:
  std::u16string key_;
  std::u16string entry_;  // reused for every entry: no allocation per name
};
