#pragma once

#include <cstdint>
#include <string>

/// What the message-file reader and writer share: where a source file's
/// message file lives, the header switch and the way format ids are shown.
namespace M_ErrorFile {

// The message file of source in directory: the source's last component
// joined to directory, with the extension "err" added after its own
// (out, src/file.c gives out/file.c.err).
std::string path(const std::string& directory, const std::string& source);

// The format id in lower-case hexadecimal, no prefix (0x9300 gives "9300").
// Formatted into a text of its own, so no stream is left in hexadecimal.
std::string hex(std::uint32_t formatId);

// The generation of a format id: 2 for 0x7700, 0x7800, 0x7900; 3 for 0x8100,
// 0x8200, 0x9100, 0x9200, 0x9300; 0 for any other id, which no reader takes.
int generation(std::uint32_t formatId);

// When set, a new file's header would carry 0x9200 instead of 0x9300.
// Nothing in this program sets it.
extern bool writeOldVersion;

} // namespace M_ErrorFile
