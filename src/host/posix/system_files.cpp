// The file system's calls on POSIX systems (Linux, macOS, the BSDs). The writers' lock is flock,
// which all of them have; what only some have sits behind a check: F_FULLFSYNC (macOS, where
// fsync leaves the data in the drive's cache), /proc/locks (Linux, to name a lock's holder).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#if __has_include(<sys/sysmacros.h>)
#include <sys/sysmacros.h>  // major and minor, which other systems declare in sys/types.h
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/path_mapping.h"
#include "host/system_files.h"

namespace qatutor {
namespace {

int descriptorOf(SystemFile file) { return static_cast<int>(file); }

SystemError lastError() { return SystemError{errno}; }

// The lock's holder as /proc/locks tells it, where there is one (Linux):
//   "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF"; a waiting lock has "->" after "1:".
std::string holderFromProcLocks(int fd) {
    struct stat info {};
    std::ifstream locks("/proc/locks");
    if (::fstat(fd, &info) != 0 || !locks) return {};
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", static_cast<unsigned>(major(info.st_dev)),
                  static_cast<unsigned>(minor(info.st_dev)),
                  static_cast<unsigned long long>(info.st_ino));
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, mode, access, pid, where;
        fields >> number >> type;
        if (type == "->") continue;
        fields >> mode >> access >> pid >> where;
        if (where != file) continue;
        std::string kind = access == "READ" ? "a shared lock" : "an exclusive lock";
        kind += type == "FLOCK" ? " (flock)" : type == "POSIX" ? " (fcntl)" : " (" + type + ")";
        std::ifstream command("/proc/" + pid + "/comm");
        std::string name;
        std::getline(command, name);
        return kind + " of process " + pid + (name.empty() ? "" : " (" + name + ")");
    }
    return {};
}

class PosixFiles final : public SystemFiles {
public:
    bool isFolder(const std::string& path) override {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    Opened open(const std::string& path, FileMode mode, bool /*hidden*/) override {
        int flags = O_CLOEXEC;
        switch (mode) {
        case FileMode::input: flags |= O_RDONLY; break;
        // Every write goes to the end of the file, as on Windows, also for a file opened to be
        // emptied: a write after a cut back then follows what is left, with no gap.
        case FileMode::output: flags |= O_WRONLY | O_CREAT | O_TRUNC | O_APPEND; break;
        case FileMode::append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
        }
        Opened opened;
        struct stat before {};
        opened.created = mode != FileMode::input && ::stat(path.c_str(), &before) != 0;
        int fd;
        while ((fd = ::open(path.c_str(), flags, 0644)) < 0 && errno == EINTR) {
        }
        if (fd < 0) opened.error = lastError();
        opened.file = fd < 0 ? noFile : fd;
        return opened;
    }

    SystemError readAll(SystemFile file, std::string& out) override {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(descriptorOf(file), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return lastError();
            if (n == 0) return {};
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }

    SystemError size(SystemFile file, std::int64_t& size) override {
        struct stat info {};
        if (::fstat(descriptorOf(file), &info) != 0) return lastError();
        size = info.st_size;
        return {};
    }

    SystemError append(SystemFile file, std::span<const std::string_view> pieces,
                       std::size_t& written) override {
        std::vector<iovec> vectors;
        vectors.reserve(pieces.size());
        for (std::string_view piece : pieces)
            vectors.push_back({const_cast<char*>(piece.data()), piece.size()});
        ssize_t n;
        while ((n = ::writev(descriptorOf(file), vectors.data(),
                             static_cast<int>(vectors.size()))) < 0 &&
               errno == EINTR) {
        }
        if (n < 0) return lastError();
        written = static_cast<std::size_t>(n);
        return {};
    }

    std::size_t gatherLimit() const override { return IOV_MAX; }

    SystemError flush(SystemFile file) override {
#ifdef F_FULLFSYNC
        if (::fcntl(descriptorOf(file), F_FULLFSYNC) == 0) return {};
#endif
        return ::fsync(descriptorOf(file)) == 0 ? SystemError{} : lastError();
    }

    void flushFolderOf(const std::string& path) override {
        const int folder = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) return;
        ::fsync(folder);
        ::close(folder);
    }

    SystemError shorten(SystemFile file, std::int64_t size) override {
        while (::ftruncate(descriptorOf(file), static_cast<off_t>(size)) != 0)
            if (errno != EINTR) return lastError();
        return {};
    }

    LockAttempt tryLock(SystemFile file) override {
        while (::flock(descriptorOf(file), LOCK_EX | LOCK_NB) != 0)
            if (errno != EINTR)
                return errno == EWOULDBLOCK ? LockAttempt::heldByAnother : LockAttempt::noLocks;
        return LockAttempt::locked;
    }

    void unlock(SystemFile file) override { ::flock(descriptorOf(file), LOCK_UN); }

    std::string lockHolder(SystemFile file) override {
        const std::string holder = holderFromProcLocks(descriptorOf(file));
        return holder.empty() ? "a lock" : holder;
    }

    SystemFile duplicate(SystemFile file) override {
        const int copy = ::fcntl(descriptorOf(file), F_DUPFD_CLOEXEC, 0);
        return copy < 0 ? noFile : copy;
    }

    void close(SystemFile file) override { ::close(descriptorOf(file)); }

    void remove(const std::string& path) override { ::unlink(path.c_str()); }

    std::vector<std::string> namesIn(const std::string& folder) override {
        std::vector<std::string> names;
        DIR* entries = ::opendir(folder.c_str());
        if (!entries) return names;
        while (const dirent* entry = ::readdir(entries)) names.emplace_back(entry->d_name);
        ::closedir(entries);
        return names;
    }

    std::string errorText(SystemError error) override { return std::strerror(error.code); }
};

}  // namespace

SystemFiles& systemFiles() {
    static PosixFiles files;
    return files;
}

}  // namespace qatutor
