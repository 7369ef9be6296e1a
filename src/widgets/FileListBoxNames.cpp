#include "src/widgets/FileListBoxNames.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "src/seams/ControlError.h"
#include "src/widgets/HugePages.h"

namespace {

constexpr std::size_t kMostBytes = std::numeric_limits<std::uint32_t>::max();

// One UTF-16 unit in lower case, as QChar::toLower gives it, quick for ASCII.
QChar Lower(QChar c) {
  const char16_t u = c.unicode();
  if (u < 128) return QChar(u >= 'A' && u <= 'Z' ? static_cast<char16_t>(u + 32) : u);
  return c.toLower();
}

// Appends the search form of ASCII text; false, with `out` as it was, when the
// text holds a byte that is not ASCII.
bool AppendAsciiSearchForm(std::string_view text, std::string& out) {
  const std::size_t before = out.size();
  out.resize(before + text.size());
  char* to = out.data() + before;
  unsigned char seen = 0;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    seen |= c;
    *to = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    to += c != ' ';
  }
  if (seen & 0x80) {
    out.resize(before);
    return false;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return true;
}

// Gives back the room a buffer does not use, when that is more than an
// eighth of it, into a new buffer advised as above.
template <typename Buffer>
void Fit(Buffer& buffer) {
  if (buffer.capacity() - buffer.size() <= buffer.capacity() / 8) return;
  Buffer fitted;
  fitted.reserve(buffer.size());
  AdviseHugePages(fitted);
  fitted.assign(buffer.begin(), buffer.end());
  buffer.swap(fitted);
}

}  // namespace

void AppendSearchForm(QStringView text, std::string& out) {
  QString lowered;
  lowered.reserve(text.size());
  for (const QChar c : text)
    if (c != u' ') lowered.append(Lower(c));
  const QByteArray bytes = lowered.toUtf8();
  out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void AppendSearchForm(std::string_view utf8, std::string& out) {
  if (AppendAsciiSearchForm(utf8, out)) return;
  AppendSearchForm(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), out);
}

void FileNames::Reserve(std::size_t count, std::size_t nameBytes, std::size_t formBytes) {
  Settle();
  names_.reserve(nameBytes);
  nameEnds_.reserve(count);
  forms_.reserve(formBytes > 0 ? formBytes : nameBytes + count);
  formEnds_.reserve(count);
  AdviseHugePages(names_);
  AdviseHugePages(nameEnds_);
  AdviseHugePages(forms_);
  AdviseHugePages(formEnds_);
}

void FileNames::Add(std::string_view utf8Name) { Add(utf8Name, {}); }

void FileNames::Add(std::string_view utf8Name, std::string_view tagFields) {
  Settle();
  const std::size_t namesBefore = names_.size(), formsBefore = forms_.size();
  const std::size_t room = names_.capacity() + forms_.capacity() + nameEnds_.capacity();
  names_.append(utf8Name);
  AppendSearchForm(utf8Name, forms_);
  forms_.push_back('\0');
  // Each field ends in a NUL, which its search form keeps.
  if (!tagFields.empty()) AppendSearchForm(tagFields, forms_);
  if (names_.size() > kMostBytes || forms_.size() > kMostBytes) {
    names_.resize(namesBefore);
    forms_.resize(formsBefore);
    throw ControlError("too many file names to list");
  }
  nameEnds_.push_back(static_cast<std::uint32_t>(names_.size()));
  formEnds_.push_back(static_cast<std::uint32_t>(forms_.size()));
  if (names_.capacity() + forms_.capacity() + nameEnds_.capacity() != room) {
    // A buffer grew: the rest of it is filled with few faults too.
    AdviseHugePages(names_);
    AdviseHugePages(forms_);
    AdviseHugePages(nameEnds_);
    AdviseHugePages(formEnds_);
  }
}

void FileNames::Add(const FileNames& from, int entry) { Insert(Count(), from, entry); }

void FileNames::Fill(EntryText entries, std::size_t nameBytes) {
  Settle();
  if (!IsEmpty()) throw ControlError("a file list is filled once");
  const std::size_t count = entries.ends.size();
  names_.reserve(nameBytes);
  nameEnds_.reserve(count);
  AdviseHugePages(names_);
  AdviseHugePages(nameEnds_);
  const char* text = entries.text.data();
  std::size_t start = 0;
  for (const std::uint32_t end : entries.ends) {
    const void* nul = std::memchr(text + start, '\0', end - start);
    names_.append(text + start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (text + start)) : end - start);
    nameEnds_.push_back(static_cast<std::uint32_t>(names_.size()));
    start = end;
  }
  // A few pages' worth is made at once; more, beside the list's own thread.
  constexpr std::size_t kFormsAtOnce = 1 << 20;
  if (entries.text.size() < kFormsAtOnce) {
    Forms made = MakeForms(std::move(entries));
    forms_ = std::move(made.bytes);
    formEnds_ = std::move(made.ends);
    return;
  }
  formsMade_ = std::async(std::launch::async, [entries = std::move(entries)]() mutable {
    return MakeForms(std::move(entries));
  });
}

FileNames::Forms FileNames::MakeForms(EntryText entries) {
  // An entry's forms are never longer than its text while it is ASCII: they
  // are written over the text already read. Past one that grows (a few
  // characters have a longer lower case), into a buffer of their own.
  std::string& text = entries.text;
  std::string grown, form;
  bool inPlace = true;
  std::size_t start = 0, written = 0;
  for (std::uint32_t& end : entries.ends) {
    const std::string_view entry = std::string_view(text).substr(start, end - start);
    const std::size_t nul = entry.find('\0');
    form.clear();
    AppendSearchForm(entry.substr(0, nul), form);
    form.push_back('\0');
    // Each field ends in a NUL, which its search form keeps.
    if (nul != std::string_view::npos) AppendSearchForm(entry.substr(nul + 1), form);
    start = end;
    if (inPlace && written + form.size() > end) {
      inPlace = false;
      grown.reserve(text.size() + text.size() / 8);
      grown.assign(text, 0, written);
    }
    // Past what a list can number, an entry has an empty form.
    if (written + form.size() > kMostBytes) form.assign(1, '\0');
    if (inPlace)
      std::memcpy(text.data() + written, form.data(), form.size());
    else
      grown.append(form);
    written += form.size();
    end = static_cast<std::uint32_t>(written);
  }
  if (!inPlace) text.swap(grown);
  text.resize(written);
  Fit(text);
  return {std::move(text), std::move(entries.ends)};
}

void FileNames::Settle() const {
  if (!formsMade_.valid()) return;
  Forms made = formsMade_.get();
  forms_ = std::move(made.bytes);
  formEnds_ = std::move(made.ends);
}

void FileNames::Insert(int index, const FileNames& from, int entry) {
  Settle();
  const std::string_view name = from.NameBytes(entry), form = from.FormBytes(entry);
  if (names_.size() + name.size() > kMostBytes || forms_.size() + form.size() > kMostBytes)
    throw ControlError("too many file names to list");
  const std::size_t nameAt = NameStart(index), formAt = FormStart(index);
  names_.insert(nameAt, name);
  forms_.insert(formAt, form);
  const auto i = static_cast<std::ptrdiff_t>(index);
  nameEnds_.insert(nameEnds_.begin() + i, static_cast<std::uint32_t>(nameAt));
  formEnds_.insert(formEnds_.begin() + i, static_cast<std::uint32_t>(formAt));
  // This entry's ends, and those of every entry after it, move on by its size.
  for (auto at = nameEnds_.begin() + i; at != nameEnds_.end(); ++at) *at += static_cast<std::uint32_t>(name.size());
  for (auto at = formEnds_.begin() + i; at != formEnds_.end(); ++at) *at += static_cast<std::uint32_t>(form.size());
}

void FileNames::Remove(int index, int count) {
  if (count <= 0) return;
  Settle();
  const std::size_t nameAt = NameStart(index), formAt = FormStart(index);
  const auto i = static_cast<std::ptrdiff_t>(index), end = i + count;
  const std::size_t nameSize = nameEnds_[static_cast<std::size_t>(end) - 1] - nameAt;
  const std::size_t formSize = formEnds_[static_cast<std::size_t>(end) - 1] - formAt;
  names_.erase(nameAt, nameSize);
  forms_.erase(formAt, formSize);
  nameEnds_.erase(nameEnds_.begin() + i, nameEnds_.begin() + end);
  formEnds_.erase(formEnds_.begin() + i, formEnds_.begin() + end);
  for (auto at = nameEnds_.begin() + i; at != nameEnds_.end(); ++at) *at -= static_cast<std::uint32_t>(nameSize);
  for (auto at = formEnds_.begin() + i; at != formEnds_.end(); ++at) *at -= static_cast<std::uint32_t>(formSize);
}

void FileNames::ShrinkToFit() {
  Settle();
  Fit(names_);
  Fit(nameEnds_);
  Fit(forms_);
  Fit(formEnds_);
}

QString FileNames::Name(int index) const {
  const std::string_view name = NameBytes(index);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

int FileNames::EntryAtFormByte(std::size_t offset, int from) const {
  Settle();
  const auto found = std::upper_bound(formEnds_.begin() + from, formEnds_.end(), offset);
  return static_cast<int>(found - formEnds_.begin());
}
