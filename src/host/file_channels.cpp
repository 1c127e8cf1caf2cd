// The file channels on every system: the channel table, reading lines from a file read whole, and
// what opening, appending, flushing, cutting back and waiting for a lock mean, over the system's
// calls in system_files.h.
#include "host/file_channels.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace qatutor {
namespace {

void checkNumber(int channel) {
    if (channel < firstChannel || channel > lastChannel)
        throw HostError("Bad file channel number " + std::to_string(channel) + ".");
}

// "reading", "writing", "appending": what the channel was opened for, in "Could not open for ...".
const char* modeVerb(FileMode mode) {
    switch (mode) {
    case FileMode::input: return "reading";
    case FileMode::output: return "writing";
    case FileMode::append: return "appending";
    }
    return "";
}

// A wait in whole seconds, rounded up: "1 second", "5 seconds".
std::string secondsText(std::chrono::milliseconds wait) {
    const long long seconds = (wait.count() + 999) / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

std::size_t totalSize(std::span<const std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    return size;
}

// Tries `attempt` until it locks, the file system turns out to have no locks, or another program
// has held the file for `wait`; in between, a pause of 1 ms that doubles up to 50 ms. True unless
// the wait ran out.
bool waitForTurn(const std::function<LockAttempt()>& attempt, std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (attempt() == LockAttempt::heldByAnother) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return true;
}

// The mark beside a record file while a record goes into it: ".masterFile_Ann_Lee.txt.unfinished"
// in the same folder, holding the file's size before the record and the size the record makes
// it, in decimal digits: "1024 2048". A file whose size lies strictly between the two holds part
// of that record; at either end, the record is wholly out or wholly in, and the mark is only one
// that could not be removed (or that a stopped computer brought back).
// A record whose cut back failed is marked as ending nowhere, so that whatever follows the size
// before it is cut out.
struct Mark {
    std::int64_t before = -1;  // -1: no mark, or none that can be read
    std::int64_t end = -1;
};
constexpr std::int64_t nowhere = std::numeric_limits<std::int64_t>::max();

std::string markPath(const std::string& localPath) {
    const std::size_t separator = localPath.find_last_of("/\\");
    const std::size_t name = separator == std::string::npos ? 0 : separator + 1;
    return localPath.substr(0, name) + "." + localPath.substr(name) + ".unfinished";
}

// Writes the mark. Best effort: a folder that takes the record but not the mark (a name at the
// file system's length limit) still gets the record, without the cover of the mark.
void writeMark(SystemFiles& files, const std::string& path, Mark sizes) {
    const SystemFiles::Opened mark = files.open(path, FileMode::output, true);
    if (mark.error) return;
    const std::string digits = std::to_string(sizes.before) + " " + std::to_string(sizes.end);
    const std::string_view text(digits);
    std::size_t written = 0;
    if (files.append(mark.file, std::span(&text, 1), written) || written != digits.size()) {
        files.close(mark.file);
        files.remove(path);
        return;
    }
    files.close(mark.file);
}

// The sizes a mark holds; none when there is no mark, or none that can be read.
Mark readMark(SystemFiles& files, const std::string& path) {
    const SystemFiles::Opened opened = files.open(path, FileMode::input, true);
    if (opened.error) return {};
    std::string text;
    const SystemError error = files.readAll(opened.file, text);
    files.close(opened.file);
    Mark mark;
    const char* const last = text.data() + text.size();
    const auto [space, first] = std::from_chars(text.data(), last, mark.before);
    if (error || first != std::errc() || space == last || *space != ' ') return {};
    const auto [end, second] = std::from_chars(space + 1, last, mark.end);
    if (second != std::errc() || end != last || mark.before < 0 || mark.end < mark.before)
        return {};
    return mark;
}

// The message of a write that gave up on another program's lock, the wait in whole seconds rounded
// up: "Could not write to ...: another program holds a lock on it, and kept it for 5 seconds. ..."
std::string heldLockMessage(const std::string& file, const std::string& holder,
                            std::chrono::milliseconds wait) {
    return "Could not write to " + file + ": another program holds " + holder +
           " on it, and kept it for " + secondsText(wait) + ". Close that program and start again.";
}

}  // namespace

FileChannels::~FileChannels() {
    closeAll();
    for (const PendingFlush& pending : pendingFlushes_) pending.outcome.wait();
}

namespace {

// What the fault hook makes an operation fail with, in the C library's words; nothing when it
// lets the operation go on.
std::string faultText(const FileChannels::FaultHook& hook, FileOperation operation,
                      const std::string& localPath) {
    const int error = hook ? hook(operation, localPath) : 0;
    return error != 0 ? std::strerror(error) : std::string();
}

}  // namespace

std::string FileChannels::injectedFault(FileOperation operation,
                                        const std::string& localPath) const {
    return faultText(faultHook_, operation, localPath);
}

FileChannels::Channel& FileChannels::openedChannel(int channel, const char* operation) {
    checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.file == noFile)
        throw HostError(std::string(operation) + ": file channel " + std::to_string(channel) +
                        " is not open.");
    return ch;
}

// Opens the channel's file, waiting as for a held lock while another program has it open
// without sharing it.
SystemFiles::Opened FileChannels::openWhenFree(const Channel& opening) {
    SystemFiles::Opened opened;
    waitForTurn(
        [&] {
            opened = files_.open(opening.localPath, opening.mode, false);
            return opened.error.inUse ? LockAttempt::heldByAnother : LockAttempt::locked;
        },
        lockWait_);
    return opened;
}

void FileChannels::open(int channel, const std::string& localPath, const std::string& displayPath,
                        FileMode mode) {
    checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.file != noFile)
        throw HostError("File channel " + std::to_string(channel) + " is already open (" +
                        ch.displayPath + ").");
    Channel opening{noFile, mode, localPath, displayPath, {}, 0};
    const std::string what =
        std::string("Could not open for ") + modeVerb(mode) + " " + localPath + ": ";
    if (const std::string fault = injectedFault(FileOperation::open, localPath); !fault.empty())
        throw HostError(what + fault);
    if (files_.isFolder(localPath)) throw HostError(what + "a folder has that name.");

    const SystemFiles::Opened opened = openWhenFree(opening);
    if (opened.error.inUse)
        throw FileBusyError(what + files_.errorText(opened.error) + ". Another program has kept " +
                            "it open for " + secondsText(lockWait_) +
                            ": close the file there, or that program, and start again.");
    if (opened.error) throw HostError(what + files_.errorText(opened.error));
    if (mode == FileMode::input) {
        if (const SystemError error = files_.readAll(opened.file, opening.content)) {
            files_.close(opened.file);
            throw HostError("Could not read " + localPath + ": " + files_.errorText(error));
        }
    }
    if (opened.created) files_.flushFolderOf(localPath);
    opening.file = opened.file;
    ch = std::move(opening);
}

std::string FileChannels::readLine(int channel) {
    Channel& ch = openedChannel(channel, "Read");
    if (ch.mode != FileMode::input)
        throw HostError("Read: file channel " + std::to_string(channel) +
                        " is not open for reading.");
    if (ch.readPos >= ch.content.size())
        throw HostError("Input past end of file " + ch.displayPath + ".");
    const std::size_t end = ch.content.find_first_of("\r\n", ch.readPos);
    std::string line;
    if (end == std::string::npos) {
        line = ch.content.substr(ch.readPos);
        ch.readPos = ch.content.size();
    } else {
        line = ch.content.substr(ch.readPos, end - ch.readPos);
        ch.readPos = end + 1;
        if (ch.content[end] == '\r' && ch.readPos < ch.content.size() &&
            ch.content[ch.readPos] == '\n')
            ++ch.readPos;
    }
    return line;
}

bool FileChannels::atEnd(int channel) {
    Channel& ch = openedChannel(channel, "End-of-file test");
    if (ch.mode != FileMode::input) return true;
    return ch.readPos >= ch.content.size();
}

void FileChannels::write(int channel, std::string_view bytes) {
    write(channel, std::span<const std::string_view>(&bytes, 1));
}

namespace {

// Holds the writers' lock on a record file while one record is appended. Another copy of the
// program writing to the same file (a double click starts two) waits for it, so a record that
// fails and is cut back never takes the other copy's record with it. A file system without locks
// still gets its records, unlocked.
class WritersLock {
public:
    WritersLock(SystemFiles& files, SystemFile file, std::chrono::milliseconds wait)
        : files_(files), file_(file) {
        LockAttempt last = LockAttempt::noLocks;
        heldTooLong_ = !waitForTurn(
            [&] {
                last = files.tryLock(file);
                return last;
            },
            wait);
        locked_ = last == LockAttempt::locked;
    }
    // False on a file system without locks, where the writers of a file are not kept in turn.
    bool locked() const { return locked_; }
    ~WritersLock() {
        if (locked_) files_.unlock(file_);
    }
    // Leaves the lock to another handle of the same open file, which unlocks or closes it.
    void handOver() { locked_ = false; }
    // True when another program kept the file locked for the whole wait.
    bool heldTooLong() const { return heldTooLong_; }
    WritersLock(const WritersLock&) = delete;
    WritersLock& operator=(const WritersLock&) = delete;

private:
    SystemFiles& files_;
    SystemFile file_;
    bool locked_ = false;
    bool heldTooLong_ = false;
};

// Cuts a file back to `size` and puts that on stable storage, after a failed write or flush.
// Returns why it could not do both, or nothing. A file that is already no longer than that (an
// earlier write's cut took this one's bytes too) is left as it is: cutting "back" would then
// lengthen it with zero bytes.
std::string cutBack(SystemFiles& files, SystemFile file, std::int64_t size,
                    const std::string& fault) {
    std::int64_t now = 0;
    if (!files.size(file, now) && now <= size) return {};
    if (!fault.empty()) return fault;
    if (const SystemError error = files.shorten(file, size)) return files.errorText(error);
    if (const SystemError error = files.flush(file)) return files.errorText(error);
    return {};
}

// What a write that could not be cut back leaves: " /home/ann/kavrodel/send_1208Ann.txt may end
// with part of it: it could not be cut back (Permission denied). ..."
std::string partLeftText(const std::string& file, const std::string& why) {
    return " " + file + " may end with part of it: it could not be cut back (" + why +
           "). The next record to it tries the cut again first.";
}

}  // namespace

// Cuts out the part of a record that a program ended in the middle of its write left at the end
// of the file, as its mark says, before the next record goes in; `size` becomes the file's size
// after that. When the part cannot be cut out, nothing of the next record is written. True when a
// part was cut out.
bool FileChannels::cutOutUnfinishedRecord(const Channel& ch, std::int64_t& size) {
    const std::string path = markPath(ch.localPath);
    const Mark mark = readMark(files_, path);
    if (mark.before < 0) return false;
    bool cut = false;
    if (mark.before < size && size < mark.end) {
        if (const std::string why = cutBack(files_, ch.file, mark.before,
                                            injectedFault(FileOperation::cutBack, ch.localPath));
            !why.empty())
            throw HostError("Could not write to " + ch.localPath +
                            ": it ends with part of a record that the tutor was ended in the "
                            "middle of writing, and that part could not be cut back out (" +
                            why + "). Close any program that has the file open and start again.");
        size = mark.before;
        cut = true;
    }
    files_.remove(path);
    return cut;
}

std::vector<std::string> FileChannels::cutOutUnfinishedRecordsIn(const std::string& localFolder) {
    std::vector<std::string> cut;
    const std::string prefix = ".", suffix = ".unfinished";
    const char separator = localFolder.find('\\') != std::string::npos ? '\\' : '/';
    for (const std::string& name : files_.namesIn(localFolder)) {
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        Channel ch{noFile,
                   FileMode::append,
                   localFolder + separator +
                       name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()),
                   {},
                   {},
                   0};
        if (files_.isFolder(ch.localPath)) continue;
        // The mark of a file that is gone is let be: opening to append would make the file.
        if (const SystemFiles::Opened existing = files_.open(ch.localPath, FileMode::input, false);
            existing.error)
            continue;
        else
            files_.close(existing.file);
        const SystemFiles::Opened opened = files_.open(ch.localPath, FileMode::append, false);
        if (opened.error) continue;
        ch.file = opened.file;
        struct Closer {
            SystemFiles& files;
            SystemFile file;
            ~Closer() { files.close(file); }
        } closer{files_, ch.file};
        WritersLock lock(files_, ch.file, std::chrono::milliseconds(0));
        std::int64_t size = 0;
        if (!lock.locked() || files_.size(ch.file, size)) continue;
        if (cutOutUnfinishedRecord(ch, size)) cut.push_back(ch.localPath);
    }
    return cut;
}

// Appends the first `limit` bytes of the pieces in as few system writes as the system allows: one,
// unless it writes less than it was given (a full disk) or the text is larger than one write
// takes (1 GiB on Windows). Pieces beyond what one write takes are joined into one text first.
// Returns why it failed, or nothing.
std::string FileChannels::appendAll(SystemFile file, std::span<const std::string_view> pieces,
                                    std::size_t limit) {
    std::vector<std::string_view> rest;
    for (std::string_view piece : pieces) {
        piece = piece.substr(0, limit);
        limit -= piece.size();
        if (!piece.empty()) rest.push_back(piece);
    }
    std::string joined;
    if (rest.size() > files_.gatherLimit()) {
        joined.reserve(totalSize(rest));
        for (std::string_view piece : rest) joined += piece;
        rest = {joined};
    }
    std::size_t first = 0;
    while (first < rest.size()) {
        const std::size_t count = std::min(rest.size() - first, files_.gatherLimit());
        std::size_t written = 0;
        if (const SystemError error =
                files_.append(file, std::span(rest).subspan(first, count), written))
            return files_.errorText(error);
        if (written == 0) return "the file system took none of the bytes it was given";
        while (written > 0) {  // moves past what was written, piece by piece
            const std::size_t done = std::min(written, rest[first].size());
            rest[first].remove_prefix(done);
            written -= done;
            if (rest[first].empty()) ++first;
        }
    }
    return {};
}

void FileChannels::rollBack(const Channel& ch, std::int64_t size, bool locked,
                            const std::string& reason) {
    const std::string why =
        cutBack(files_, ch.file, size, injectedFault(FileOperation::cutBack, ch.localPath));
    const std::string message = "Could not write to " + ch.localPath + ": " + reason;
    if (!why.empty()) {
        if (locked) writeMark(files_, markPath(ch.localPath), {size, nowhere});
        throw PartlyWrittenError(message + "." + partLeftText(ch.localPath, why));
    }
    if (locked) files_.remove(markPath(ch.localPath));
    throw HostError(message);
}

void FileChannels::write(int channel, std::span<const std::string_view> pieces) {
    Channel& ch = openedChannel(channel, "Write");
    if (ch.mode == FileMode::input)
        throw HostError("Write: file channel " + std::to_string(channel) +
                        " is open for reading only.");
    // A write of this file whose flush goes on in the background is done first: on POSIX systems
    // the lock belongs to the open file, which a second write through the channel shares.
    for (const PendingFlush& pending : pendingFlushes_)
        if (pending.localPath == ch.localPath) pending.outcome.wait();
    WritersLock lock(files_, ch.file, lockWait_);  // from before the size is read until the flush
    if (lock.heldTooLong())
        throw FileBusyError(heldLockMessage(ch.localPath, files_.lockHolder(ch.file), lockWait_));
    std::int64_t sizeBefore = 0;
    if (const SystemError error = files_.size(ch.file, sizeBefore))
        throw HostError("Could not write to " + ch.localPath + ": " + files_.errorText(error));
    // Marks are written and read under the lock only: without it, another writer's mark could be
    // taken for one left unfinished. A file system without locks gets no marks.
    const bool locked = lock.locked();
    const std::size_t total = totalSize(pieces);
    if (locked) {
        cutOutUnfinishedRecord(ch, sizeBefore);
        writeMark(files_, markPath(ch.localPath),
                  {sizeBefore, sizeBefore + static_cast<std::int64_t>(total)});
    }

    if (const std::string fault = injectedFault(FileOperation::write, ch.localPath);
        !fault.empty()) {
        appendAll(ch.file, pieces, total / 2);
        rollBack(ch, sizeBefore, locked, fault);
    }
    if (const std::string why = appendAll(ch.file, pieces, total); !why.empty())
        rollBack(ch, sizeBefore, locked, why);
    if (flushInBackground_ && flushInBackground(ch, sizeBefore, locked)) {
        lock.handOver();
        return;
    }
    if (const std::string fault = injectedFault(FileOperation::flush, ch.localPath); !fault.empty())
        rollBack(ch, sizeBefore, locked, fault);
    if (const SystemError error = files_.flush(ch.file))
        rollBack(ch, sizeBefore, locked, files_.errorText(error));
    if (locked) files_.remove(markPath(ch.localPath));
}

namespace {

// What a flush in the background needs: a handle of its own that keeps the file and its lock, and
// how the write before it ended.
struct BackgroundFlush {
    SystemFiles& files;
    FileChannels::FaultHook hook;
    SystemFile file;
    std::string path;
    std::int64_t sizeBefore;
    bool locked;                                             // the write holds the lock, and a mark
    std::shared_future<FileChannels::FlushOutcome> earlier;  // the write before, if any
};

// Flushes a write made earlier; when the flush fails, or the flush of an earlier write failed
// (so that this write would never have been made), cuts the write back out. Then unlocks and
// closes the handle.
FileChannels::FlushOutcome settle(BackgroundFlush job) {
    FileChannels::FlushOutcome outcome;
    std::string why = faultText(job.hook, FileOperation::flush, job.path);
    if (why.empty())
        if (const SystemError error = job.files.flush(job.file)) why = job.files.errorText(error);
    std::string cutFailure;
    if (!why.empty() || (job.earlier.valid() && job.earlier.get().cutBack)) {
        outcome.cutBack = true;
        cutFailure = cutBack(job.files, job.file, job.sizeBefore,
                             faultText(job.hook, FileOperation::cutBack, job.path));
        if (!cutFailure.empty()) {
            if (why.empty()) why = "a write before it failed";
            outcome.partLeft = true;
        }
        if (!why.empty())
            outcome.error = "Could not write to " + job.path + ": " + why + "." +
                            (cutFailure.empty() ? "" : partLeftText(job.path, cutFailure));
    }
    if (job.locked && cutFailure.empty())
        job.files.remove(markPath(job.path));
    else if (job.locked)
        writeMark(job.files, markPath(job.path), {job.sizeBefore, nowhere});
    job.files.unlock(job.file);
    job.files.close(job.file);
    return outcome;
}

}  // namespace

// Leaves the flush of the write just made to a helper thread, with a handle of its own that keeps
// the file and its lock, so the channel may close meanwhile; another writer of the file waits for
// the lock as before. False when there is no second handle or no thread: the write then flushes,
// and unlocks, as it would have without.
bool FileChannels::flushInBackground(const Channel& ch, std::int64_t sizeBefore, bool locked) {
    const SystemFile flushFile = files_.duplicate(ch.file);
    if (flushFile == noFile) return false;
    BackgroundFlush job{files_, faultHook_, flushFile, ch.localPath, sizeBefore, locked, {}};
    if (!pendingFlushes_.empty()) job.earlier = pendingFlushes_.back().outcome;
    try {
        if (const std::string fault = injectedFault(FileOperation::startFlush, ch.localPath);
            !fault.empty())
            throw std::system_error(EAGAIN, std::generic_category(), fault);
        pendingFlushes_.push_back(
            {ch.localPath, std::async(std::launch::async, settle, std::move(job)).share()});
        return true;
    } catch (const std::system_error&) {
        files_.close(flushFile);
        return false;
    }
}

// Every failed flush is told, one line each; a PartlyWrittenError when one of them left part of a
// write in its file.
void FileChannels::waitForFlushes() {
    std::string errors;
    bool partLeft = false;
    for (const PendingFlush& pending : pendingFlushes_) {
        const FlushOutcome& outcome = pending.outcome.get();
        if (outcome.error.empty()) continue;
        errors += (errors.empty() ? "" : "\n") + outcome.error;
        partLeft = partLeft || outcome.partLeft;
    }
    pendingFlushes_.clear();
    if (partLeft) throw PartlyWrittenError(errors);
    if (!errors.empty()) throw HostError(errors);
}

void FileChannels::close(int channel) {
    checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.file != noFile) files_.close(ch.file);
    ch = Channel{};
}

void FileChannels::closeAll() {
    for (int channel = firstChannel; channel <= lastChannel; ++channel) close(channel);
}

bool FileChannels::isOpen(int channel) const {
    return channel >= firstChannel && channel <= lastChannel && channels_[channel].file != noFile;
}

int FileChannels::openCount() const {
    int count = 0;
    for (int channel = firstChannel; channel <= lastChannel; ++channel)
        count += isOpen(channel) ? 1 : 0;
    return count;
}

}  // namespace qatutor
