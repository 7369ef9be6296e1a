#include "platform/cdplayer/CdSource.h"

#include <cdio/cdio.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/cdplayer/MallocText.h"

namespace {

bool IsDeviceNode(const std::string& path) {
  if (path.rfind("/dev/", 0) == 0) return true;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode);
}

bool HasExtension(const std::string& path, const char* ext) {
  std::string tail = std::filesystem::path(path).extension().string();
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ext;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

CdSource CdSource::Resolve(const std::optional<std::string>& path) {
  if (!path) {
    MallocText device(cdio_get_default_device(nullptr));
    if (!device) return {};
    return {Kind::Drive, device.get()};
  }
  const std::string& p = *path;
  if (p.empty()) return {};
  if (IsDeviceNode(p)) return {Kind::Drive, p};
  if (!IsRegularFile(p)) return {Kind::None, p};
  // By name first: libcdio's own checks parse the sheet and look for its
  // data files, and a broken sheet is still an image that has no disc.
  if (HasExtension(p, ".toc")) return {Kind::TocImage, p};
  if (HasExtension(p, ".cue")) return {Kind::CueImage, p};
  if (cdio_is_tocfile(p.c_str())) return {Kind::TocImage, p};
  if (MallocText bin(cdio_is_cuefile(p.c_str())); bin) {
    return {Kind::CueImage, p};
  }
  if (cdio_is_nrg(p.c_str())) return {Kind::NrgImage, p};
  return {Kind::None, p};
}
