#include "platform/collection/Mp3TagText.h"

#include <algorithm>

#include <taglib/audioproperties.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tstring.h>

#include <QByteArrayView>
#include <QString>

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

}  // namespace

std::string ReadMp3TagText(const std::string& path) {
  // Tags only: no audio properties, so no frame of sound is read.
  TagLib::MPEG::File file(path.c_str(), false);
  return file.isValid() ? TagText(file.tag()) : std::string();
}

Mp3Track ReadMp3Track(const std::string& path) {
  TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
  if (!file.isValid()) return {};
  Mp3Track track{TagText(file.tag())};
  if (const TagLib::AudioProperties* audio = file.audioProperties())
    track.lengthMs = static_cast<std::uint32_t>(std::max(audio->lengthInMilliseconds(), 0));
  return track;
}
