#include "platform/win32/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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

// Writes the lines beside the file and renames them over it, so the file is
// either the old one or the new one, never half of each. A link is followed
// so that it stays a link, and the file keeps its permissions.
bool WriteLinesAtomically(const std::vector<std::string>& lines, const char* fileName) {
  std::error_code error;
  std::filesystem::path target = fileName;
  if (std::filesystem::symlink_status(target, error).type() == std::filesystem::file_type::symlink) {
    target = std::filesystem::weakly_canonical(target, error);
    if (error) return false;
  }
  const std::string finalPath = target.string();
  const std::string temp = finalPath + ".tmp" + std::to_string(::getpid());

  std::FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) return false;
  bool written = true;
  for (const auto& line : lines) {
    written = written && std::fwrite(line.data(), 1, line.size(), out) == line.size() && std::fputc('\n', out) != EOF;
  }
  struct stat old {};
  if (::stat(finalPath.c_str(), &old) == 0) ::fchmod(::fileno(out), old.st_mode & 07777);
  written = written && std::fflush(out) == 0 && ::fsync(::fileno(out)) == 0;
  written = std::fclose(out) == 0 && written;
  if (!written || std::rename(temp.c_str(), finalPath.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
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
  std::vector<std::string> lines = ReadLines(fileName).value_or(std::vector<std::string>());
  auto range = FindSection(lines, section);

  if (!key) {  // remove the whole section
    if (range) lines.erase(lines.begin() + range->header, lines.begin() + range->end);
    return WriteLinesAtomically(lines, fileName);
  }

  if (!range) {
    if (!value) return true;
    lines.push_back(std::string("[").append(section).append("]"));
    lines.push_back(std::string(key) + "=" + EncodeValue(value));
    return WriteLinesAtomically(lines, fileName);
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
      return WriteLinesAtomically(lines, fileName);
    }
  }
  if (!value) return true;
  lines.insert(lines.begin() + lastKey + 1, std::string(key) + "=" + EncodeValue(value));
  return WriteLinesAtomically(lines, fileName);
}

}  // namespace ProfileFile
