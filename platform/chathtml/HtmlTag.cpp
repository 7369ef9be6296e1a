#include "platform/chathtml/HtmlTag.h"

#include "platform/chathtml/HtmlCharRef.h"

namespace chathtml {
namespace {

bool IsAsciiLetter(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsNameChar(QChar c) { return IsAsciiLetter(c) || (c >= u'0' && c <= u'9'); }
bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

QString DecodeRefs(QStringView value) {
  QString decoded;
  decoded.reserve(value.size());
  for (qsizetype i = 0; i < value.size();) {
    if (value[i] == u'&') {
      if (const auto ref = ReadHtmlCharRef(value, i)) {
        decoded.append(QString::fromUcs4(&ref->code, 1));
        i += ref->length;
        continue;
      }
    }
    decoded.append(value[i++]);
  }
  return decoded;
}

// The attributes between the tag name and the '>'.
std::vector<std::pair<QString, QString>> ReadAttributes(QStringView text) {
  std::vector<std::pair<QString, QString>> attributes;
  qsizetype i = 0;
  const qsizetype size = text.size();
  auto skipBlanks = [&] {
    while (i < size && IsBlank(text[i])) ++i;
  };
  while (true) {
    skipBlanks();
    while (i < size && text[i] == u'/') ++i;
    skipBlanks();
    if (i >= size) break;
    const qsizetype nameStart = i;
    while (i < size && !IsBlank(text[i]) && text[i] != u'=' && text[i] != u'/') ++i;
    QString name = text.sliced(nameStart, i - nameStart).toString().toLower();
    skipBlanks();
    QString value;
    if (i < size && text[i] == u'=') {
      ++i;
      skipBlanks();
      if (i < size && (text[i] == u'"' || text[i] == u'\'')) {
        const QChar quote = text[i++];
        const qsizetype valueStart = i;
        while (i < size && text[i] != quote) ++i;
        value = DecodeRefs(text.sliced(valueStart, i - valueStart));
        if (i < size) ++i;
      } else {
        const qsizetype valueStart = i;
        while (i < size && !IsBlank(text[i])) ++i;
        value = DecodeRefs(text.sliced(valueStart, i - valueStart));
      }
    }
    if (!name.isEmpty()) attributes.emplace_back(std::move(name), std::move(value));
  }
  return attributes;
}

}  // namespace

std::optional<QString> HtmlTag::Attribute(QStringView wanted) const {
  for (const auto& [name, value] : attributes) {
    if (name == wanted) return value;
  }
  return std::nullopt;
}

qsizetype HtmlTagReader::Next(char16_t c, qsizetype from, Found& cache) const {
  if (cache.from >= 0 && from >= cache.from && (cache.at < 0 || from <= cache.at)) return cache.at;
  cache.from = from;
  cache.at = html_.sliced(from).indexOf(QChar(c));
  if (cache.at >= 0) cache.at += from;
  return cache.at;
}

std::optional<HtmlTag> HtmlTagReader::ReadAt(qsizetype pos) {
  const qsizetype size = html_.size();
  if (pos < 0 || pos >= size || html_[pos] != u'<') return std::nullopt;
  qsizetype i = pos + 1;
  bool blanks = false;
  auto skipBlanks = [&] {
    while (i < size && IsBlank(html_[i])) {
      ++i;
      blanks = true;
    }
  };
  HtmlTag tag;
  skipBlanks();
  if (i < size && html_[i] == u'/') {
    tag.closing = true;
    ++i;
    skipBlanks();
  }
  const qsizetype nameStart = i;
  if (i >= size || !IsAsciiLetter(html_[i])) return std::nullopt;
  while (i < size && IsNameChar(html_[i])) ++i;
  tag.name = html_.sliced(nameStart, i - nameStart).toString().toLower();
  if (blanks && tag.name != u"a") return std::nullopt;
  if (i < size && !IsBlank(html_[i]) && html_[i] != u'/' && html_[i] != u'>') return std::nullopt;

  const qsizetype close = Next('>', i, nextClose_);
  if (close < 0) return std::nullopt;
  const qsizetype open = Next('<', pos + 1, nextOpen_);
  if (open >= 0 && open < close) return std::nullopt;
  tag.attributes = ReadAttributes(html_.sliced(i, close - i));
  tag.end = close + 1;
  return tag;
}

}  // namespace chathtml
