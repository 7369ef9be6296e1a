#include "platform/chatclient/irc/IrcServerInfo.h"

#include <algorithm>

namespace irc {

namespace {

// Lengths beyond this are taken as this: no line may be longer anyway.
constexpr int kLongestName = 400;

int Length(QByteArrayView value) { return std::clamp(value.toByteArray().toInt(), 0, kLongestName); }

}  // namespace

bool IrcServerInfo::Read(const IrcMessage& isupport) {
  const CaseMapping before = caseMapping_;
  // "005 me TOKEN TOKEN=value ... :are supported by this server"
  for (std::size_t i = 1; i + 1 < isupport.params().size(); ++i) {
    const QByteArrayView token = isupport.params()[i];
    const qsizetype equals = token.indexOf('=');
    const QByteArrayView key = equals < 0 ? token : token.first(equals);
    const QByteArrayView value = equals < 0 ? QByteArrayView() : token.sliced(equals + 1);
    if (key == "NICKLEN") {
      nickLength_ = Length(value);
    } else if (key == "CHANNELLEN") {
      channelLength_ = Length(value);
    } else if (key == "CHANTYPES") {
      channelTypes_ = QString::fromLatin1(value);
    } else if (key == "PREFIX") {
      // "(ov)@+": the signs follow the modes.
      const qsizetype close = value.indexOf(')');
      if (close >= 0) statusSigns_ = QString::fromLatin1(value.sliced(close + 1));
    } else if (key == "CASEMAPPING") {
      if (value == "ascii") caseMapping_ = CaseMapping::Ascii;
      else if (value == "strict-rfc1459") caseMapping_ = CaseMapping::StrictRfc1459;
      else caseMapping_ = CaseMapping::Rfc1459;  // rfc1459, and what is unknown
    }
  }
  return caseMapping_ != before;
}

char16_t IrcServerInfo::FoldChar(char16_t c) const {
  if (c >= 'A' && c <= 'Z') return static_cast<char16_t>(c + ('a' - 'A'));
  if (caseMapping_ == CaseMapping::Ascii) return c;
  if (c == '[') return '{';
  if (c == ']') return '}';
  if (c == '\\') return '|';
  if (c == '~' && caseMapping_ == CaseMapping::Rfc1459) return '^';
  return c;
}

QString IrcServerInfo::Fold(QStringView name) const {
  QString folded(name.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < name.size(); ++i) folded[i] = QChar(FoldChar(name[i].unicode()));
  return folded;
}

namespace {

template <typename Folder, typename A, typename B>
bool SameFolded(const Folder& fold, A a, B b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (fold(a[i].unicode()) != fold(b[i].unicode())) return false;
  return true;
}

}  // namespace

bool IrcServerInfo::Same(QStringView a, QStringView b) const {
  return SameFolded([this](char16_t c) { return FoldChar(c); }, a, b);
}

bool IrcServerInfo::Same(QStringView a, QLatin1StringView b) const {
  return SameFolded([this](char16_t c) { return FoldChar(c); }, a, b);
}

bool IrcServerInfo::IsChannel(QStringView target) const {
  return !target.isEmpty() && channelTypes_.contains(target.front());
}

QString IrcServerInfo::WithoutStatus(QStringView entry) const {
  qsizetype at = 0;
  while (at < entry.size() && statusSigns_.contains(entry[at])) ++at;
  return entry.sliced(at).toString();
}

}  // namespace irc
