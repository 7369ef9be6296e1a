#pragma once

#include <cdio/cdio.h>

#include <string>

// libcdio reads the data files that a cdrdao TOC names relative to the
// process's working directory, not to the TOC. This gives the TOC's text with
// every relative FILE / AUDIOFILE / DATAFILE name made absolute against the
// TOC's own directory (the text unchanged where that is not possible).
std::string TocTextWithAbsoluteFiles(const std::string& tocPath);

// Opens a cdrdao TOC image the way its author meant it, through a temporary
// copy with absolute file names. Returns the libcdio handle or nullptr.
CdIo_t* OpenTocImage(const std::string& tocPath);
