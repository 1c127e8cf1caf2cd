// The system's file calls for tests: each forwards to this system's own (systemFiles()) unless a
// test takes it over, and the table counts the handles left open, so that a test can fail any
// call it likes on the real calls of either system, and see that nothing is left behind.
#pragma once

#include <atomic>
#include <functional>

#include "host/system_files.h"

namespace qatutor::testing {

class ForwardingFiles final : public SystemFiles {
public:
    // Each set member stands in for the call of its name; `real` is the system's table.
    std::function<Opened(const std::string&, FileMode, bool)> onOpen;
    std::function<SystemError(SystemFile, std::span<const std::string_view>, std::size_t&)>
        onAppend;
    std::function<SystemError(SystemFile, std::int64_t)> onShorten;
    std::function<SystemError(SystemFile)> onFlush;
    std::function<LockAttempt(SystemFile)> onTryLock;
    SystemFiles& real = systemFiles();

    // Handles opened or duplicated and not closed yet.
    int openHandles() const { return openHandles_; }

    bool isFolder(const std::string& path) override { return real.isFolder(path); }
    Opened open(const std::string& path, FileMode mode, bool hidden) override {
        Opened opened = onOpen ? onOpen(path, mode, hidden) : real.open(path, mode, hidden);
        if (opened.file != noFile) ++openHandles_;
        return opened;
    }
    SystemError readAll(SystemFile file, std::string& out) override {
        return real.readAll(file, out);
    }
    SystemError size(SystemFile file, std::int64_t& size) override { return real.size(file, size); }
    SystemError append(SystemFile file, std::span<const std::string_view> pieces,
                       std::size_t& written) override {
        return onAppend ? onAppend(file, pieces, written) : real.append(file, pieces, written);
    }
    std::size_t gatherLimit() const override { return real.gatherLimit(); }
    SystemError flush(SystemFile file) override {
        return onFlush ? onFlush(file) : real.flush(file);
    }
    void flushFolderOf(const std::string& path) override { real.flushFolderOf(path); }
    SystemError shorten(SystemFile file, std::int64_t size) override {
        return onShorten ? onShorten(file, size) : real.shorten(file, size);
    }
    LockAttempt tryLock(SystemFile file) override {
        return onTryLock ? onTryLock(file) : real.tryLock(file);
    }
    void unlock(SystemFile file) override { real.unlock(file); }
    std::string lockHolder(SystemFile file) override { return real.lockHolder(file); }
    SystemFile duplicate(SystemFile file) override {
        const SystemFile copy = real.duplicate(file);
        if (copy != noFile) ++openHandles_;
        return copy;
    }
    void close(SystemFile file) override {
        --openHandles_;
        real.close(file);
    }
    void remove(const std::string& path) override { real.remove(path); }
    std::vector<std::string> namesIn(const std::string& folder) override {
        return real.namesIn(folder);
    }
    std::string errorText(SystemError error) override { return real.errorText(error); }

private:
    std::atomic<int> openHandles_ = 0;
};

}  // namespace qatutor::testing
