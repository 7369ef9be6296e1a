#include "platform/cdplayer/CueSheet.h"

#include <cdio/cdio.h>
#include <cdio/sector.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/cdplayer/MallocText.h"

namespace fs = std::filesystem;

namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool StartsWithWordFile(const std::string& line) {
  if (line.size() < 5) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) != "FILE"[i]) return false;
  }
  return line[4] == ' ' || line[4] == '\t';
}

// The file name of a FILE line: quoted, or up to the next blank.
std::string FileLineName(const std::string& line) {
  std::string rest = Trimmed(line.substr(5));
  if (rest.empty()) return {};
  if (rest.front() == '"') {
    const auto close = rest.find('"', 1);
    return close == std::string::npos ? std::string() : rest.substr(1, close - 1);
  }
  return rest.substr(0, rest.find_first_of(" \t"));
}

}  // namespace

std::vector<std::string> CueSheetDataFiles(const std::string& cuePath) {
  std::vector<std::string> files;
  std::ifstream in(cuePath);
  if (!in) return files;
  const fs::path dir = fs::path(cuePath).parent_path();
  std::string line;
  while (std::getline(in, line)) {
    line = Trimmed(line);
    if (!StartsWithWordFile(line)) continue;
    const std::string name = FileLineName(line);
    if (name.empty()) continue;
    fs::path p(name);
    if (p.is_relative()) p = dir / p;
    const std::string full = p.lexically_normal().string();
    if (std::find(files.begin(), files.end(), full) == files.end()) files.push_back(full);
  }
  return files;
}

bool CueImageIsComplete(const std::string& cuePath, std::string* why) {
  const auto fail = [why](std::string text) {
    if (why) *why = std::move(text);
    return false;
  };
  const std::vector<std::string> files = CueSheetDataFiles(cuePath);
  if (files.empty()) return fail("the sheet names no data file");
  if (files.size() > 1) return fail("the sheet names several data files; only one is supported");
  const std::string& bin = files.front();
  std::error_code ec;
  if (!fs::is_regular_file(bin, ec)) return fail("the data file " + bin + " is missing");

  MallocText readName(cdio_is_cuefile(cuePath.c_str()));
  if (!readName || !fs::equivalent(bin, readName.get(), ec)) {
    return fail("the data file " + bin + " must be named like the sheet (" +
                (readName ? std::string(readName.get()) : std::string("?")) + ")");
  }
  const auto size = fs::file_size(bin, ec);
  if (ec || size == 0) return fail("the data file " + bin + " is empty");
  if (size % CDIO_CD_FRAMESIZE_RAW != 0) {
    return fail("the data file " + bin + " is truncated (not a whole number of sectors)");
  }
  return true;
}
