// The files inside a .zip archive, such as a course platform's "download all submissions", read
// one at a time without unpacking the archive. The archive's directory is read from its end:
//   [local header, name, data] ... [directory entry per file] [end of directory: 22 bytes + note]
// Each file is read from its local header on, stored or deflated (zlib), and checked against
// its CRC-32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qatutor::inbox {

// Where a file lies in its archive.
struct ArchivePlace {
    std::uint64_t localHeader = 0;  // the offset of its local header
    std::uint64_t packedSize = 0, size = 0;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint16_t flags = 0;   // bit 0: encrypted
    std::uint32_t crc = 0;
};

struct ArchiveFile {
    std::string name;  // its path inside the archive, "/" between folders, UTF-8
    ArchivePlace place;
};

// Whether the inbox reads archives in this build (it needs zlib).
extern const bool archivesRead;

// The files of the archive at `path`, folders left out, in the archive's order. Throws
// InboxError saying why the archive cannot be read.
std::vector<ArchiveFile> listArchive(const std::string& path);

// The bytes of one file of the archive at `path`, of up to `largest` bytes. Throws InboxError
// saying why it cannot be read: "damaged: its bytes do not match its check sum".
std::string readArchiveFile(const std::string& path, const ArchivePlace& place,
                            std::uint64_t largest);

}  // namespace qatutor::inbox
