#include "inbox/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "inbox/inbox_error.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

// The records of the archive's layout: their marks, and the sizes of their fixed parts.
constexpr std::uint32_t endMark = 0x06054b50, entryMark = 0x02014b50, localMark = 0x04034b50;
constexpr std::size_t endSize = 22, entrySize = 46, localSize = 30;
constexpr std::size_t longestNote = 0xFFFF;  // the archive's comment after its end record
constexpr std::uint32_t sizeInZip64 = 0xFFFFFFFF;
constexpr std::uint16_t stored = 0, deflated = 8, encrypted = 1;

std::uint32_t little(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string readAt(OpenFile& file, std::uint64_t at, std::size_t size) {
    file.seek(at);
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = file.read(bytes.data() + done, size - done);
        if (got == 0) throw InboxError("cut off: the archive ends early");
        done += got;
    }
    return bytes;
}

// The end record: where the directory starts, how long it is and how many files it lists.
struct Directory {
    std::uint64_t at = 0, size = 0, files = 0;
};

Directory directoryOf(OpenFile& file, std::uint64_t archiveSize) {
    const std::size_t tail =
        static_cast<std::size_t>(std::min<std::uint64_t>(archiveSize, endSize + longestNote));
    const std::string bytes = readAt(file, archiveSize - tail, tail);
    for (std::size_t at = tail >= endSize ? tail - endSize + 1 : 0; at-- > 0;) {
        if (little(bytes, at, 4) != endMark) continue;
        const Directory directory{little(bytes, at + 16, 4), little(bytes, at + 12, 4),
                                  little(bytes, at + 10, 2)};
        if (directory.at == sizeInZip64 || directory.size == sizeInZip64)
            throw InboxError("a zip64 archive (over 4 GB), which the inbox does not read");
        if (directory.at + directory.size > archiveSize) break;
        return directory;
    }
    throw InboxError("not a zip archive, or a damaged one: its directory is not found");
}

// Inflates the deflated bytes `packed` into `size` bytes.
std::string inflated(const std::string& packed, std::uint64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw InboxError("cannot be unpacked");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(bytes.data());
    stream.avail_out = static_cast<uInt>(bytes.size());
    const int result = inflate(&stream, Z_FINISH);
    const std::uint64_t out = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || out != size)
        throw InboxError("damaged in the archive: it cannot be unpacked");
    return bytes;
}

}  // namespace

const bool archivesRead = true;

std::vector<ArchiveFile> listArchive(const std::string& path) {
    OpenFile file(path);
    const OpenFacts facts = file.facts();
    if (facts.kind != OpenKind::regularFile) throw InboxError("not a regular file");
    const Directory directory = directoryOf(file, facts.size);
    const std::string bytes = readAt(file, directory.at, static_cast<std::size_t>(directory.size));
    std::vector<ArchiveFile> files;
    for (std::size_t at = 0, n = 0; n < directory.files; ++n) {
        if (at + entrySize > bytes.size() || little(bytes, at, 4) != entryMark)
            throw InboxError("damaged: its directory breaks off after " + std::to_string(n) +
                             " files");
        const std::size_t nameSize = little(bytes, at + 28, 2),
                          extraSize = little(bytes, at + 30, 2),
                          noteSize = little(bytes, at + 32, 2);
        if (at + entrySize + nameSize > bytes.size())
            throw InboxError("damaged: its directory breaks off");
        ArchiveFile entry;
        entry.name = bytes.substr(at + entrySize, nameSize);
        entry.place.flags = static_cast<std::uint16_t>(little(bytes, at + 8, 2));
        entry.place.method = static_cast<std::uint16_t>(little(bytes, at + 10, 2));
        entry.place.crc = little(bytes, at + 16, 4);
        entry.place.packedSize = little(bytes, at + 20, 4);
        entry.place.size = little(bytes, at + 24, 4);
        entry.place.localHeader = little(bytes, at + 42, 4);
        if (!entry.name.empty() && entry.name.back() != '/') files.push_back(std::move(entry));
        at += entrySize + nameSize + extraSize + noteSize;
    }
    return files;
}

std::string readArchiveFile(const std::string& path, const ArchivePlace& place,
                            std::uint64_t largest) {
    if (place.flags & encrypted) throw InboxError("encrypted in the archive");
    if (place.method != stored && place.method != deflated)
        throw InboxError("packed in a way the inbox does not unpack (method " +
                         std::to_string(place.method) + ")");
    if (place.size > largest || place.packedSize > largest)
        throw InboxError("too large for a record file");
    OpenFile file(path);
    const std::string local = readAt(file, place.localHeader, localSize);
    if (little(local, 0, 4) != localMark) throw InboxError("damaged in the archive");
    const std::uint64_t dataAt =
        place.localHeader + localSize + little(local, 26, 2) + little(local, 28, 2);
    std::string packed = readAt(file, dataAt, static_cast<std::size_t>(place.packedSize));
    std::string bytes = place.method == stored ? std::move(packed) : inflated(packed, place.size);
    if (bytes.size() != place.size || crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                            static_cast<uInt>(bytes.size())) != place.crc)
        throw InboxError("damaged in the archive: its bytes do not match its check sum");
    return bytes;
}

}  // namespace qatutor::inbox
