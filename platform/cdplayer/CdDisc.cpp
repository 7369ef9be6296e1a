#include "platform/cdplayer/CdDisc.h"

#include <cdio/cdio.h>
#include <cdio/disc.h>
#include <cdio/track.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/cdplayer/CueSheet.h"
#include "platform/cdplayer/TocSheet.h"
#include "src/seams/Diagnostic.h"

struct CdDisc::Handle {
  CdIo_t* cdio = nullptr;
  ~Handle() {
    if (cdio) cdio_destroy(cdio);
  }
};

namespace {

// Says why there is no disc (a drive's empty tray is no news at start) and
// keeps the reason for the caller.
std::unique_ptr<CdDisc> NoDisc(const CdSource& source, const std::string& reason, std::string* why) {
  if (!source.IsDrive()) Diagnose("CD " + source.path + ": " + reason + "; no disc");
  if (why) *why = reason;
  return nullptr;
}

// Why a path names neither a drive nor an image: it is missing, unreadable,
// or something else.
std::string NotADisc(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  return "not a drive or a disc image";
}

CdIo_t* OpenSource(const CdSource& source) {
  switch (source.kind) {
    case CdSource::Kind::Drive: return cdio_open(source.path.c_str(), DRIVER_DEVICE);
    case CdSource::Kind::CueImage: return cdio_open_cue(source.path.c_str());
    case CdSource::Kind::TocImage: return OpenTocImage(source.path);
    case CdSource::Kind::NrgImage: return cdio_open_nrg(source.path.c_str());
    case CdSource::Kind::None: break;
  }
  return nullptr;
}

// The table of contents, or an empty list when it does not hold together
// (no tracks, a track that starts past the end of the disc or before the
// track ahead of it).
std::vector<CdTrack> ReadToc(CdIo_t* cdio) {
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return {};
  const lsn_t leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  if (leadout == CDIO_INVALID_LSN) return {};

  std::vector<CdTrack> tracks;
  for (int t = first; t < first + count; ++t) {
    const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(t));
    if (start == CDIO_INVALID_LSN || start < 0) return {};
    CdTrack track;
    track.number = t;
    track.first = start;
    track.audio = cdio_get_track_format(cdio, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO;
    tracks.push_back(track);
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    tracks[i].end = i + 1 < tracks.size() ? tracks[i + 1].first : leadout;
    if (tracks[i].end <= tracks[i].first) return {};
  }
  return tracks;
}

}  // namespace

void CdAudioToNative(const unsigned char* raw, std::size_t samples, std::int16_t* out) {
  for (std::size_t i = 0; i < samples; ++i) {
    const auto lo = static_cast<std::uint16_t>(raw[2 * i]);
    const auto hi = static_cast<std::uint16_t>(raw[2 * i + 1]);
    out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
  }
}

CdDisc::CdDisc(std::unique_ptr<Handle> handle, std::vector<CdTrack> tracks)
    : handle_(std::move(handle)), tracks_(std::move(tracks)) {}

CdDisc::~CdDisc() = default;

std::unique_ptr<CdDisc> CdDisc::Load(const CdSource& source, std::string* why) {
  if (source.kind == CdSource::Kind::None) {
    if (source.path.empty()) {
      if (why) *why = "no drive found";
      return nullptr;
    }
    return NoDisc(source, NotADisc(source.path), why);
  }
  if (source.kind == CdSource::Kind::CueImage) {
    std::string reason;
    if (!CueImageIsComplete(source.path, &reason)) return NoDisc(source, reason, why);
  }
  auto handle = std::make_unique<Handle>();
  handle->cdio = OpenSource(source);
  if (!handle->cdio) {
    if (!source.IsDrive()) return NoDisc(source, "cannot be opened", why);
    struct stat st {};
    return NoDisc(source, ::stat(source.path.c_str(), &st) != 0 ? std::strerror(errno) : "no disc in the drive", why);
  }
  std::vector<CdTrack> tracks = ReadToc(handle->cdio);
  if (tracks.empty()) {
    return NoDisc(source, source.IsDrive() ? "no audio disc in the drive" : "no usable table of contents", why);
  }
  std::unique_ptr<CdDisc> disc(new CdDisc(std::move(handle), std::move(tracks)));

  // An image is read end to end at every track boundary now, so that a
  // missing or short data file shows up as no disc rather than as a failure
  // halfway through playing. A drive is not probed: that would spin it up.
  if (source.IsImage()) {
    std::vector<std::int16_t> probe(kFramesPerSector * kChannels);
    for (const CdTrack& t : disc->tracks_) {
      if (!t.audio) continue;
      if (!disc->ReadAudio(t.first, 1, probe.data()) || !disc->ReadAudio(t.end - 1, 1, probe.data())) {
        return NoDisc(source, "track " + std::to_string(t.number) + " cannot be read", why);
      }
    }
  }
  return disc;
}

int CdDisc::FirstAudioFrom(int from) const {
  for (int i = std::max(from, 0); i < static_cast<int>(tracks_.size()); ++i) {
    if (tracks_[i].audio) return i;
  }
  return -1;
}

int CdDisc::LastAudioBefore(int before) const {
  for (int i = std::min(before, static_cast<int>(tracks_.size())) - 1; i >= 0; --i) {
    if (tracks_[i].audio) return i;
  }
  return -1;
}

bool CdDisc::ReadAudio(lsn_t lsn, std::size_t count, std::int16_t* out) const {
  std::vector<unsigned char> raw(count * CDIO_CD_FRAMESIZE_RAW);
  if (cdio_read_audio_sectors(handle_->cdio, raw.data(), lsn, static_cast<uint32_t>(count)) !=
      DRIVER_OP_SUCCESS) {
    return false;
  }
  CdAudioToNative(raw.data(), raw.size() / 2, out);
  return true;
}
