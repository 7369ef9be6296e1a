#include "platform/win32/ProfileFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  auto last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

bool EqualNames(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::optional<std::vector<std::string>> ReadLines(const char* fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The section name of a "[name]" line.
std::optional<std::string> SectionName(const std::string& line) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  auto close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

struct KeyLine {
  std::string key;
  std::string value;
};

std::optional<KeyLine> ParseKeyLine(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return std::nullopt;
  auto eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  KeyLine k{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
  if (k.value.size() >= 2 && k.value.front() == '"' && k.value.back() == '"')
    k.value = k.value.substr(1, k.value.size() - 2);
  return k;
}

std::string EncodeValue(const std::string& value) {
  bool needsQuotes = !value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                                        value.back() == '\t' || value.front() == '"');
  return needsQuotes ? "\"" + value + "\"" : value;
}

// Index range [begin, end) of the section's body, or nullopt.
struct SectionRange {
  std::size_t header;
  std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(lines[i]);
    if (!name || !EqualNames(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return SectionRange{i, end};
  }
  return std::nullopt;
}

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::size_t CutAtCharacter(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

// The one temporary file of a write, beside the file it will replace. Its
// name never changes, so a write that is killed before its rename leaves this
// file and no other, and the next write takes it over.
std::string TemporaryPath(const std::string& finalPath) { return finalPath + ".tmp"; }

// How long a write waits for another one (of another program beside the same
// file) before it gives up: a writer that is stopped while it holds the lock
// must not hold this program's window with it.
constexpr int kLockWaits = 500;
constexpr auto kLockPause = std::chrono::milliseconds(2);

// Opens the temporary file and locks it, so that two programs that write the
// same file take turns. The lock is flock's: it goes with its process, so a
// write killed halfway leaves a file that the next write simply opens and
// locks again (a name taken with O_EXCL would have to be told apart from one
// in use before anyone could write again). A writer that was waiting may find,
// once it holds the lock, that the name has been renamed into place under it:
// then it opens the name again. Returns -1 when the file cannot be opened or
// the lock cannot be had in time.
int OpenLockedTemporary(const std::string& temp) {
  int waits = 0;
  while (true) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return -1;
    int locked = 0;
    while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && (errno == EWOULDBLOCK || errno == EINTR) &&
           waits < kLockWaits) {
      ++waits;
      std::this_thread::sleep_for(kLockPause);
    }
    if (locked != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {  // waited long enough
      ::close(fd);
      return -1;
    }
    // (A file system without locks lets the write go on unguarded, as it
    // always did.)
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) == 0 && ::lstat(temp.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino)
      return fd;
    ::close(fd);  // renamed into place while this one waited
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

// Edits the file in one step: under the lock of its temporary file, reads its
// lines, lets edit change them, writes them to the temporary file and renames
// that over the file. The file is either the old one or the new one, never
// half of each, and two writers cannot lose each other's changes. A link is
// followed so that it stays a link, and the file keeps its permissions. edit
// returns false when nothing is to be written.
bool EditAtomically(const char* fileName, const std::function<bool(std::vector<std::string>&)>& edit) {
  std::error_code error;
  std::filesystem::path target = fileName;
  if (std::filesystem::symlink_status(target, error).type() == std::filesystem::file_type::symlink) {
    target = std::filesystem::weakly_canonical(target, error);
    if (error) return false;
  }
  const std::string finalPath = target.string();
  const std::string temp = TemporaryPath(finalPath);
  const int fd = OpenLockedTemporary(temp);
  if (fd < 0) return false;

  std::vector<std::string> lines = ReadLines(finalPath.c_str()).value_or(std::vector<std::string>());
  if (!edit(lines)) {
    ::unlink(temp.c_str());  // ours: locked, and no write of ours is in it
    ::close(fd);
    return true;
  }
  std::string content;
  for (const auto& line : lines) content.append(line).append(1, '\n');
  struct stat old {};
  if (::stat(finalPath.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool written = ::ftruncate(fd, 0) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0 &&
                       std::rename(temp.c_str(), finalPath.c_str()) == 0;
  if (!written) ::unlink(temp.c_str());
  // Closing lets the lock go, after the rename: a writer waiting for it then
  // finds the name gone and opens a new temporary file.
  ::close(fd);
  return written;
}

}  // namespace

namespace ProfileFile {

std::uint32_t GetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                        std::uint32_t size, const char* fileName) {
  if (!buffer || size == 0) return 0;
  std::string result = defaultValue ? defaultValue : "";
  if (section && key && fileName) {
    if (auto lines = ReadLines(fileName)) {
      if (auto range = FindSection(*lines, section)) {
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
          auto k = ParseKeyLine((*lines)[i]);
          if (k && EqualNames(k->key, key)) {
            result = k->value;
            break;
          }
        }
      }
    }
  }
  std::size_t count = CutAtCharacter(result, size - 1);
  std::memcpy(buffer, result.data(), count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

bool WriteString(const char* section, const char* key, const char* value, const char* fileName) {
  if (!section || !fileName) return false;
  if (value && std::strpbrk(value, "\r\n")) return false;
  return EditAtomically(fileName, [&](std::vector<std::string>& lines) {
    auto range = FindSection(lines, section);
    if (!key) {  // remove the whole section
      if (range) lines.erase(lines.begin() + range->header, lines.begin() + range->end);
      return true;
    }
    if (!range) {
      if (!value) return false;
      lines.push_back(std::string("[").append(section).append("]"));
      lines.push_back(std::string(key) + "=" + EncodeValue(value));
      return true;
    }
    std::size_t lastKey = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
      auto k = ParseKeyLine(lines[i]);
      if (!k) continue;
      lastKey = i;
      if (EqualNames(k->key, key)) {
        if (value)
          lines[i] = std::string(key) + "=" + EncodeValue(value);
        else
          lines.erase(lines.begin() + i);
        return true;
      }
    }
    if (!value) return false;
    lines.insert(lines.begin() + lastKey + 1, std::string(key) + "=" + EncodeValue(value));
    return true;
  });
}

}  // namespace ProfileFile
