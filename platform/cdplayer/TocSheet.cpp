#include "platform/cdplayer/TocSheet.h"

#include <cdio/cdio.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string TocTextWithAbsoluteFiles(const std::string& tocPath) {
  std::ifstream in(tocPath, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  const std::string dir = fs::absolute(fs::path(tocPath)).parent_path().string();
  if (dir.find_first_of("\"\\") != std::string::npos) return text;

  // FILE, AUDIOFILE and DATAFILE followed by blanks and a quoted name, as
  // whole words; scanned by hand, in one pass, whatever the file holds.
  auto isWordCharacter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  std::string out;
  std::size_t copied = 0;
  bool quotesLeft = true;
  for (std::size_t i = 0; i < text.size() && quotesLeft; ++i) {
    if (i > 0 && isWordCharacter(text[i - 1])) continue;
    std::string keyword;
    for (const char* candidate : {"AUDIOFILE", "DATAFILE", "FILE"})
      if (text.compare(i, std::strlen(candidate), candidate) == 0) keyword = candidate;
    if (keyword.empty()) continue;
    std::size_t open = i + keyword.size();
    while (open < text.size() && isBlank(text[open])) ++open;
    if (open == i + keyword.size() || open >= text.size() || text[open] != '"') continue;
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string::npos) {
      quotesLeft = false;  // no later name can close either
      continue;
    }
    std::string name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && name != "-" && fs::path(name).is_relative()) name = dir + "/" + name;
    out.append(text, copied, open - copied);
    out += "\"" + name + "\"";
    copied = close + 1;
    i = close;
  }
  out.append(text, copied, std::string::npos);
  return out;
}

CdIo_t* OpenTocImage(const std::string& tocPath) {
  const std::string text = TocTextWithAbsoluteFiles(tocPath);
  std::string name = (fs::temp_directory_path() / "morva-cd-XXXXXX.toc").string();
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return nullptr;
  ::close(fd);
  { std::ofstream(name, std::ios::binary | std::ios::trunc) << text; }
  CdIo_t* cdio = cdio_open_cdrdao(name.c_str());
  std::error_code ec;
  fs::remove(name, ec);  // the parsed table and the data files are all libcdio keeps
  return cdio;
}
