#pragma once

#include <cstdint>

// Profile (INI) files with the Windows rules: section and key names match
// without regard to letter case; a write creates what is missing and keeps
// every other section, key and line. Values are stored so that they read back
// exactly as written: one that starts or ends with blanks, or starts with a
// quote, is written inside double quotes.
namespace ProfileFile {

// Copies the value (or the default) into the buffer, cut to size - 1 bytes at
// a character boundary, and returns the number of bytes copied.
std::uint32_t GetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                        std::uint32_t size, const char* fileName);

// Stores the value under the key; a null value removes the key, a null key the
// whole section. The file is replaced in one step (written beside it as
// NAME.tmp, then renamed over it), so a failed write leaves the old file whole
// and a killed one leaves at most that one file, which the next write takes
// over. Writers of the same file, in this program or another, take turns on a
// lock of NAME.tmp, from reading the file to the rename. Returns false when
// the file cannot be written, another writer held it for about a second, or
// the value holds a line break.
bool WriteString(const char* section, const char* key, const char* value, const char* fileName);

}  // namespace ProfileFile
