#include "platform/mediaplayer/Mp3Tags.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include <QFile>

namespace {

struct HandleGone {
  void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};

struct OpenedFile {
  explicit OpenedFile(int fd) : fd(fd) {}
  ~OpenedFile() {
    if (fd >= 0) ::close(fd);
  }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;
  const int fd;
};

QString FromId3v2(const mpg123_string* text) {
  if (!text || !text->p || text->fill == 0) return {};
  return QString::fromUtf8(text->p, static_cast<qsizetype>(std::strlen(text->p))).trimmed();
}

// An ID3v1 field: up to its size, Latin-1, padded with NULs or spaces.
QString FromId3v1(const char* field, std::size_t size) {
  return QString::fromLatin1(field, static_cast<qsizetype>(strnlen(field, size))).trimmed();
}

}  // namespace

Mp3Tags ReadMp3Tags(const QString& path) {
  Mp3Tags tags;
  const OpenedFile file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  const int fd = file.fd;
  if (fd < 0) return tags;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return tags;

  int error = MPG123_OK;
  const std::unique_ptr<mpg123_handle, HandleGone> handle(mpg123_new(nullptr, &error));
  if (!handle) return tags;
  mpg123_param2(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  mpg123_param2(handle.get(), MPG123_RESYNC_LIMIT, 4096, 0.0);
  if (mpg123_open_fd(handle.get(), fd) != MPG123_OK) return tags;
  // The first frame's header: the ID3v2 tag before it is read on the way, and
  // the ID3v1 tag at the end when the open looked there.
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  mpg123_getformat(handle.get(), &rate, &channels, &encoding);
  mpg123_id3v1* v1 = nullptr;
  mpg123_id3v2* v2 = nullptr;
  if (mpg123_id3(handle.get(), &v1, &v2) == MPG123_OK) {
    if (v2) {
      tags.artist = FromId3v2(v2->artist);
      tags.album = FromId3v2(v2->album);
    }
    if (v1) {
      if (tags.artist.isEmpty()) tags.artist = FromId3v1(v1->artist, sizeof v1->artist);
      if (tags.album.isEmpty()) tags.album = FromId3v1(v1->album, sizeof v1->album);
    }
  }
  mpg123_close(handle.get());
  return tags;
}
