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
// whole section. The file is replaced in one step (written beside it, then
// renamed over it), so a failed write leaves the old file whole. Returns false
// when the file cannot be written or the value holds a line break.
bool WriteString(const char* section, const char* key, const char* value, const char* fileName);

}  // namespace ProfileFile
