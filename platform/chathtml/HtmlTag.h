#pragma once

#include <optional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringView>

namespace chathtml {

// One tag of the HTML that chat lines carry: <font color=#ff0000>, </b>,
// <a href="...">.
struct HtmlTag {
  QString name;  // in lower case
  bool closing = false;
  // Names in lower case; values unquoted, with character references decoded.
  std::vector<std::pair<QString, QString>> attributes;
  qsizetype end = 0;  // index just past the '>'

  // The value of the attribute, or nothing when the tag has none by that name.
  std::optional<QString> Attribute(QStringView name) const;
};

// Reads tags out of one text. A '<' opens a tag only when a name follows it
// at once ("<b", "</font") and a '>' closes it before any other '<'; so
// "a < b", "<3" or a '<' at the end stay text. Blanks before the name are
// allowed for links alone ("< a href=...>"), as some chat clients wrote them.
// A '>' inside a quoted attribute value ends the tag all the same.
//
// The reader remembers where it found the next '<' and '>', so reading at
// increasing positions through the whole text costs linear time, however
// many '<' never open a tag.
class HtmlTagReader {
 public:
  explicit HtmlTagReader(QStringView html) : html_(html) {}

  // The tag opened by the '<' at pos, or nothing when that '<' is text.
  std::optional<HtmlTag> ReadAt(qsizetype pos);

 private:
  struct Found {
    qsizetype from = -1;  // searched from here...
    qsizetype at = -1;    // ...and found here (-1: none up to the end)
  };
  qsizetype Next(char16_t c, qsizetype from, Found& cache) const;

  QStringView html_;
  Found nextOpen_;
  Found nextClose_;
};

}  // namespace chathtml
