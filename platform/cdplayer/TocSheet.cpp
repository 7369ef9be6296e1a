#include "platform/cdplayer/TocSheet.h"

#include <cdio/cdio.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

std::string TocTextWithAbsoluteFiles(const std::string& tocPath) {
  std::ifstream in(tocPath, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  const std::string dir = fs::absolute(fs::path(tocPath)).parent_path().string();
  if (dir.find_first_of("\"\\") != std::string::npos) return text;

  static const std::regex fileName(R"(\b(AUDIOFILE|DATAFILE|FILE)(\s+)\"([^\"]*)\")");
  std::string out;
  auto last = text.cbegin();
  for (std::sregex_iterator it(text.begin(), text.end(), fileName), end; it != end; ++it) {
    const std::smatch& m = *it;
    out.append(last, m[0].first);
    std::string name = m[3].str();
    if (!name.empty() && name != "-" && fs::path(name).is_relative()) name = dir + "/" + name;
    out += m[1].str() + m[2].str() + "\"" + name + "\"";
    last = m[0].second;
  }
  out.append(last, text.cend());
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
