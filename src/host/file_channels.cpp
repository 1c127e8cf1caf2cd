// The file channels' part that is the same on every system: the channel table, reading lines
// from a file read whole, and the lock's wait. posix/file_channels.cpp and
// win32/file_channels.cpp open, write, flush and close the files.
#include "host/file_channels.h"

#include <algorithm>
#include <thread>

#include "host/file_channels_shared.h"

namespace qatutor {

namespace channels {

void checkNumber(int channel) {
    if (channel < firstChannel || channel > lastChannel)
        throw HostError("Bad file channel number " + std::to_string(channel) + ".");
}

std::string describe(const std::string& /*displayPath*/, const std::string& localPath) {
    return localPath;
}

const char* modeVerb(FileMode mode) {
    switch (mode) {
    case FileMode::input: return "reading";
    case FileMode::output: return "writing";
    case FileMode::append: return "appending";
    }
    return "";
}

std::string heldLockMessage(const std::string& file, const std::string& holder,
                            std::chrono::milliseconds wait) {
    const long long seconds = (wait.count() + 999) / 1000;
    return "Could not write to " + file + ": another program holds " + holder +
           " on it, and kept it for " + std::to_string(seconds) +
           (seconds == 1 ? " second" : " seconds") + ". Close that program and start again.";
}

std::size_t totalSize(std::span<const std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    return size;
}

LockWait waitForLock(const std::function<LockAttempt()>& attempt, std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        switch (attempt()) {
        case LockAttempt::locked: return LockWait::locked;
        case LockAttempt::noLocks: return LockWait::noLocks;
        case LockAttempt::heldByAnother: break;
        }
        if (std::chrono::steady_clock::now() >= until) return LockWait::heldTooLong;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

}  // namespace channels

FileChannels::~FileChannels() {
    closeAll();
    for (auto& flush : pendingFlushes_) flush.wait();
}

int FileChannels::injectedFault(FileOperation operation, const std::string& localPath) const {
    return faultHook_ ? faultHook_(operation, localPath) : 0;
}

FileChannels::Channel& FileChannels::openedChannel(int channel, const char* operation) {
    channels::checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.fd == closedFile)
        throw HostError(std::string(operation) + ": file channel " + std::to_string(channel) +
                        " is not open.");
    return ch;
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

void FileChannels::waitForFlushes() {
    std::string firstError;
    for (auto& flush : pendingFlushes_) {
        const std::string& error = flush.get().error;
        if (firstError.empty()) firstError = error;
    }
    pendingFlushes_.clear();
    if (!firstError.empty()) throw HostError(firstError);
}

void FileChannels::close(int channel) {
    channels::checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.fd != closedFile) closeNative(ch.fd);
    ch = Channel{};
}

void FileChannels::closeAll() {
    for (int channel = firstChannel; channel <= lastChannel; ++channel) close(channel);
}

bool FileChannels::isOpen(int channel) const {
    return channel >= firstChannel && channel <= lastChannel && channels_[channel].fd != closedFile;
}

int FileChannels::openCount() const {
    int count = 0;
    for (int channel = firstChannel; channel <= lastChannel; ++channel)
        count += isOpen(channel) ? 1 : 0;
    return count;
}

}  // namespace qatutor
