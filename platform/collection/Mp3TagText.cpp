#include "platform/collection/Mp3TagText.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <taglib/audioproperties.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tstring.h>

#include <QByteArrayView>
#include <QString>

#include "platform/collection/HeadTailStream.h"

namespace {

// A field in UTF-8, without control characters (a NUL would end it early,
// a line break would split a line).
void AppendField(const TagLib::String& field, std::string& out) {
  std::string text = field.to8Bit(true);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  // TagLib writes a lone surrogate as bytes no UTF-8 reader takes.
  const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const QByteArray valid = decoded.toUtf8();
  out.append(valid.constData(), static_cast<std::size_t>(valid.size()));
  out.push_back('\0');
}

std::string TagText(const TagLib::Tag* tag) {
  if (!tag || tag->isEmpty()) return {};
  std::string text;
  AppendField(tag->artist(), text);
  AppendField(tag->album(), text);
  AppendField(tag->title(), text);
  return text;
}

// TagLib's reading of an MP3 file through a HeadTailStream: a few system
// calls a file, where reading the file itself takes a seek and a read for
// each part it looks at.
class Mp3Reading {
 public:
  Mp3Reading(const std::string& path, bool withLength)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
        stream_(fd_, path.c_str()),
        file_(&stream_, TagLib::ID3v2::FrameFactory::instance(), withLength, TagLib::AudioProperties::Fast) {}
  ~Mp3Reading() {
    if (fd_ >= 0) ::close(fd_);
  }
  Mp3Reading(const Mp3Reading&) = delete;
  Mp3Reading& operator=(const Mp3Reading&) = delete;

  std::string Tags() { return fd_ >= 0 && file_.isValid() ? TagText(file_.tag()) : std::string(); }
  std::uint32_t LengthMs() {
    const TagLib::AudioProperties* audio = fd_ >= 0 && file_.isValid() ? file_.audioProperties() : nullptr;
    return audio ? static_cast<std::uint32_t>(std::max(audio->lengthInMilliseconds(), 0)) : 0;
  }

 private:
  const int fd_;
  HeadTailStream stream_;
  TagLib::MPEG::File file_;
};

}  // namespace

std::string ReadMp3TagText(const std::string& path) {
  // Tags only: no audio properties, so no frame of sound is read.
  return Mp3Reading(path, false).Tags();
}

Mp3Track ReadMp3Track(const std::string& path) {
  Mp3Reading reading(path, true);
  return {reading.Tags(), reading.LengthMs()};
}
