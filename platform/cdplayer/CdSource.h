#pragma once

#include <optional>
#include <string>

// What the CD player reads from: a drive, a disc image file, or nothing at all
// (no path given and no drive found, or a path that names no disc).
struct CdSource {
  enum class Kind { None, Drive, CueImage, TocImage, NrgImage };

  Kind kind = Kind::None;
  std::string path;

  bool IsDrive() const { return kind == Kind::Drive; }
  bool IsImage() const {
    return kind == Kind::CueImage || kind == Kind::TocImage || kind == Kind::NrgImage;
  }

  // Without a path: the first drive libcdio finds, or None. With a path: a
  // device node (or anything under /dev/) is a drive; a file named *.cue or
  // *.toc, or one libcdio takes for a CUE sheet, cdrdao TOC or Nero image, is
  // an image (which may still hold no disc); anything else is None.
  static CdSource Resolve(const std::optional<std::string>& path);
};
