// File channels over real files: raw bytes, line reading, errors, and whole-or-nothing writes.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "host/file_channels.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

class FileChannelsTest : public ::testing::Test {
protected:
    void open(int channel, const std::string& name, FileMode mode) {
        channels.open(channel, folder.file(name), name, mode);
    }
    TempFolder folder;
    FileChannels channels;
};

TEST_F(FileChannelsTest, ReadsLinesEndedByCrLfLfOrCrWithoutTheirEnds) {
    writeFile(folder.file("in.txt"), "ab\r\ncd\nef\rgh\r\n\r\nlast");
    open(5, "in.txt", FileMode::input);
    std::vector<std::string> lines;
    while (!channels.atEnd(5)) lines.push_back(channels.readLine(5));
    EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd", "ef", "gh", "", "last"}));
    EXPECT_THROW(channels.readLine(5), HostError);
}

TEST_F(FileChannelsTest, EmptyFileIsAtEndAtOnce) {
    writeFile(folder.file("empty.txt"), "");
    open(3, "empty.txt", FileMode::input);
    EXPECT_TRUE(channels.atEnd(3));
}

TEST_F(FileChannelsTest, WritesBytesWithoutTranslation) {
    open(1, "out.txt", FileMode::append);
    const std::string bytes = std::string("a\r\nb\n\xA0\xFF", 7) + std::string(1, '\0');
    channels.write(1, bytes);
    channels.close(1);
    open(1, "out.txt", FileMode::append);
    channels.write(1, "x");
    channels.close(1);
    EXPECT_EQ(readFile(folder.file("out.txt")), bytes + "x");
}

TEST_F(FileChannelsTest, OutputModeEmptiesAnExistingFile) {
    writeFile(folder.file("f.txt"), "old contents");
    open(2, "f.txt", FileMode::output);
    channels.write(2, "new");
    channels.close(2);
    EXPECT_EQ(readFile(folder.file("f.txt")), "new");
}

TEST_F(FileChannelsTest, HostErrors) {
    struct Case {
        const char* what;
        std::function<void()> action;
    };
    writeFile(folder.file("exists.txt"), "x");
    open(4, "exists.txt", FileMode::input);
    const std::vector<Case> cases = {
        {"missing file for reading", [&] { open(1, "missing.txt", FileMode::input); }},
        {"file in a missing folder", [&] { open(1, "no/such/x.txt", FileMode::append); }},
        {"channel already open", [&] { open(4, "exists.txt", FileMode::input); }},
        {"channel 0", [&] { open(0, "a.txt", FileMode::append); }},
        {"channel 6", [&] { open(6, "a.txt", FileMode::append); }},
        {"read from a closed channel", [&] { channels.readLine(2); }},
        {"write to a closed channel", [&] { channels.write(2, "x"); }},
        {"write to an input channel", [&] { channels.write(4, "x"); }},
        {"a folder opened as a file", [&] { open(1, ".", FileMode::input); }},
    };
    for (const Case& c : cases) EXPECT_THROW(c.action(), HostError) << c.what;
}

TEST_F(FileChannelsTest, ClosingAChannelThatIsNotOpenDoesNothing) {
    EXPECT_NO_THROW(channels.close(3));
    open(1, "a.txt", FileMode::append);
    open(2, "b.txt", FileMode::append);
    EXPECT_EQ(channels.openCount(), 2);
    channels.closeAll();
    EXPECT_EQ(channels.openCount(), 0);
    EXPECT_NO_THROW(open(1, "a.txt", FileMode::append));
}

TEST_F(FileChannelsTest, AFailedWriteOrFlushLeavesTheFileAsItWas) {
    for (FileOperation failing : {FileOperation::write, FileOperation::flush}) {
        writeFile(folder.file("rec.txt"), "earlier record\r\n");
        channels.setFaultHook(
            [&](FileOperation op, const std::string&) { return op == failing ? ENOSPC : 0; });
        open(1, "rec.txt", FileMode::append);
        try {
            channels.write(1, "a new record that does not fit\r\n");
            ADD_FAILURE() << "the write should fail";
        } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find("No space left on device"), std::string::npos);
            EXPECT_NE(std::string(error.what()).find("rec.txt"), std::string::npos);
        }
        channels.close(1);
        channels.setFaultHook(nullptr);
        EXPECT_EQ(readFile(folder.file("rec.txt")), "earlier record\r\n");
    }
}

TEST_F(FileChannelsTest, WritesPiecesInOrder) {
    std::vector<std::string> many;  // more pieces than one system write takes
    for (int i = 0; i < 3000; ++i) many.push_back(std::to_string(i) + (i % 7 == 0 ? "" : ","));
    const std::vector<std::vector<std::string>> table = {
        {}, {"", "a", ""}, {"one\r\n", "two"}, many};
    for (const auto& pieces : table) {
        std::vector<std::string_view> views(pieces.begin(), pieces.end());
        std::string expected;
        for (const std::string& piece : pieces) expected += piece;
        writeFile(folder.file("pieces.txt"), "before|");
        open(1, "pieces.txt", FileMode::append);
        channels.write(1, views);
        channels.close(1);
        EXPECT_EQ(readFile(folder.file("pieces.txt")), "before|" + expected)
            << pieces.size() << " pieces";
    }
}

// Two copies of the program append to one master file. While the first copy's record fails and
// is cut back, the second copy tries to append its own: it must wait, and its record must stay.
TEST_F(FileChannelsTest, ARecordCutBackNeverTakesAnotherCopysRecordWithIt) {
    for (FileOperation failing : {FileOperation::write, FileOperation::flush}) {
        const std::string path = folder.file("masterFile_Ann_Lee.txt");
        writeFile(path, "earlier record\r\n");
        FileChannels other;
        other.open(1, path, "masterFile_Ann_Lee.txt", FileMode::append);
        open(1, "masterFile_Ann_Lee.txt", FileMode::append);

        std::mutex mutex;
        std::condition_variable otherDone;
        bool otherWrote = false;
        std::thread otherCopy;
        channels.setFaultHook([&](FileOperation op, const std::string&) {
            if (op != failing) return 0;
            otherCopy = std::thread([&] {
                other.write(1, "the other copy's record\r\n");
                const std::lock_guard<std::mutex> hold(mutex);
                otherWrote = true;
                otherDone.notify_one();
            });
            // Gives the other copy time to append in between, which it can only do unlocked.
            std::unique_lock<std::mutex> hold(mutex);
            otherDone.wait_for(hold, std::chrono::milliseconds(300), [&] { return otherWrote; });
            return ENOSPC;
        });
        EXPECT_THROW(channels.write(1, "this copy's record, which does not fit\r\n"), HostError);
        otherCopy.join();
        channels.setFaultHook(nullptr);
        channels.close(1);
        other.close(1);
        EXPECT_EQ(readFile(path), "earlier record\r\nthe other copy's record\r\n");
    }
}

// Start-up leaves the flush of the file header to a helper thread. The file stays locked until
// the flush is done, so another copy's record that waits for the lock survives a failed flush,
// which cuts the header back and is reported when the flushes are waited for.
TEST_F(FileChannelsTest, AFlushInTheBackgroundKeepsTheFileLockedUntilItIsDone) {
    for (const int failure : {0, EIO}) {
        const std::string path = folder.file("masterFile_Ann_Lee.txt");
        writeFile(path, "earlier record\r\n");
        channels.setFaultHook([&](FileOperation op, const std::string&) {
            if (op != FileOperation::flush) return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return failure;
        });
        channels.setFlushInBackground(true);
        open(1, "masterFile_Ann_Lee.txt", FileMode::append);
        channels.write(1, "header\r\n");
        channels.close(1);
        channels.setFlushInBackground(false);

        FileChannels other;
        other.open(1, path, "masterFile_Ann_Lee.txt", FileMode::append);
        other.write(1, "the other copy's record\r\n");
        other.close(1);
        if (failure == 0) {
            EXPECT_NO_THROW(channels.waitForFlushes());
            EXPECT_EQ(readFile(path), "earlier record\r\nheader\r\nthe other copy's record\r\n");
        } else {
            try {
                channels.waitForFlushes();
                ADD_FAILURE() << "the failed flush should be reported";
            } catch (const HostError& error) {
                EXPECT_NE(std::string(error.what()).find("masterFile_Ann_Lee.txt"),
                          std::string::npos);
                EXPECT_NE(std::string(error.what()).find(std::strerror(EIO)), std::string::npos);
            }
            EXPECT_EQ(readFile(path), "earlier record\r\nthe other copy's record\r\n");
        }
        EXPECT_NO_THROW(channels.waitForFlushes());  // each failure is reported once
        channels.setFaultHook(nullptr);
    }
}

// The start-up writes the master file's header, then the send file's, each flushed in the
// background. The files must end as writes that flush before returning would leave them: a failed
// master flush means the send header was never written; a failed send flush keeps the master's.
TEST_F(FileChannelsTest, AFailedBackgroundFlushCutsBackItsWriteAndEveryLaterOne) {
    struct Case {
        const char* failing;  // the file whose flush fails, or none
        std::string master, send;
        int second = 2;  // the channel of the second write
    };
    const std::vector<Case> cases = {
        {"", "old\r\nheader\r\n", "header\r\n"},
        {"masterFile", "old\r\n", ""},
        {"send_", "old\r\nheader\r\n", ""},
        // The second cut of one file, already cut back further, must not lengthen it.
        {"masterFile", "old\r\n", "", 1},
    };
    for (const Case& c : cases) {
        std::atomic<int> masterFlushes = 0;
        writeFile(folder.file("masterFile_A.txt"), "old\r\n");
        std::filesystem::remove(folder.file("send_A.txt"));
        channels.setFaultHook([&](FileOperation op, const std::string& path) {
            if (op != FileOperation::flush) return 0;
            // The master's flush ends last, after the send file's header is written and flushed.
            // A second master flush ends after the first.
            if (path.find("masterFile") != std::string::npos)
                std::this_thread::sleep_for(std::chrono::milliseconds(50) * ++masterFlushes);
            return *c.failing && path.find(c.failing) != std::string::npos ? EIO : 0;
        });
        channels.setFlushInBackground(true);
        open(1, "masterFile_A.txt", FileMode::append);
        open(2, "send_A.txt", FileMode::append);
        channels.write(1, "header\r\n");
        channels.write(c.second, "header\r\n");
        channels.closeAll();
        channels.setFlushInBackground(false);
        if (*c.failing)
            EXPECT_THROW(channels.waitForFlushes(), HostError) << c.failing;
        else
            EXPECT_NO_THROW(channels.waitForFlushes());
        EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), c.master) << c.failing;
        EXPECT_EQ(readFile(folder.file("send_A.txt")), c.send) << c.failing;
        channels.setFaultHook(nullptr);
    }
}

#ifndef _WIN32
// Each way a write can go wrong below the record: the system writes nothing without saying why,
// or the helper thread of a background flush cannot start. Either way the file ends whole or as
// it was, no descriptor is left behind, and the lock is free for the next writer.
TEST_F(FileChannelsTest, AWriteThatWritesNothingOrAFlushThreadThatCannotStartEndsCleanly) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string expected;
    };
    int calls = 0;
    const std::vector<Case> cases = {
        {"writes nothing",
         [&] {
             channels.setWriteCall([&](int, const iovec*, int) -> ssize_t {
                 errno = EIO;  // a loop that never ends is stopped here, and fails the test
                 return ++calls < 1000 ? 0 : -1;
             });
         },
         "old\r\n"},
        {"writes half, then nothing",
         [&] {
             channels.setWriteCall([&](int fd, const iovec* pieces, int) -> ssize_t {
                 errno = EIO;
                 if (++calls == 1) return ::write(fd, pieces[0].iov_base, pieces[0].iov_len / 2);
                 return calls < 1000 ? 0 : -1;
             });
         },
         "old\r\n"},
        {"no flush thread",
         [&] {
             channels.setFlushInBackground(true);
             channels.setFaultHook([](FileOperation op, const std::string&) {
                 return op == FileOperation::startFlush ? EAGAIN : 0;
             });
         },
         "old\r\nrecord\r\n"},
    };
    for (const Case& c : cases) {
        calls = 0;
        writeFile(folder.file("rec.txt"), "old\r\n");
        const auto descriptorsBefore = openDescriptors();
        open(1, "rec.txt", FileMode::append);
        c.arrange();
        try {
            channels.write(1, "record\r\n");
        } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find("rec.txt"), std::string::npos) << c.what;
        }
        EXPECT_LT(calls, 1000) << c.what;
        channels.close(1);
        channels.setWriteCall(nullptr);
        channels.setFaultHook(nullptr);
        channels.setFlushInBackground(false);
        EXPECT_NO_THROW(channels.waitForFlushes());
        EXPECT_EQ(openDescriptors(), descriptorsBefore) << c.what;
        EXPECT_EQ(readFile(folder.file("rec.txt")), c.expected) << c.what;

        FileChannels next;
        next.setLockWait(std::chrono::milliseconds(200));
        next.open(1, folder.file("rec.txt"), "rec.txt", FileMode::append);
        EXPECT_NO_THROW(next.write(1, "next\r\n")) << c.what;
    }
}

// Another program keeps a record file locked. The write waits a while, then fails, naming the
// file and the lock, and leaves the file as it was.
TEST_F(FileChannelsTest, ALockHeldByAnotherProgramIsWaitedForABoundedTimeAndNamed) {
    for (const auto& [kind, said] : {std::pair{LOCK_SH, "a shared lock (flock)"},
                                     std::pair{LOCK_EX, "an exclusive lock (flock)"}}) {
        writeFile(folder.file("masterFile_A.txt"), "old\r\n");
        const int other = ::open(folder.file("masterFile_A.txt").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(other, kind), 0);
        channels.setLockWait(std::chrono::milliseconds(100));
        open(1, "masterFile_A.txt", FileMode::append);
        auto writing = std::async(std::launch::async, [&] { channels.write(1, "record\r\n"); });
        if (writing.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ::close(other);  // lets a write that waits for ever finish, so the test can end
            writing.wait();
            ADD_FAILURE() << said << ": the write waited for the lock for more than 5 seconds";
        } else {
            try {
                writing.get();
                ADD_FAILURE() << said << ": the write should fail";
            } catch (const HostError& error) {
                const std::string message = error.what();
                EXPECT_NE(message.find("masterFile_A.txt"), std::string::npos) << message;
                EXPECT_NE(message.find(said), std::string::npos) << message;
            }
            ::close(other);
        }
        channels.close(1);
        EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), "old\r\n") << said;
    }
}

#endif  // _WIN32

// On every system: a copy whose background flush keeps the file locked past the other's wait
// makes that write fail, naming the file, and leave it as the flush leaves it.
TEST_F(FileChannelsTest, AWriteGivesUpOnALockKeptLongerThanItsWait) {
    writeFile(folder.file("masterFile_A.txt"), "old\r\n");
    FileChannels holder;
    holder.setFaultHook([](FileOperation op, const std::string&) {
        if (op == FileOperation::flush) std::this_thread::sleep_for(std::chrono::milliseconds(800));
        return 0;
    });
    holder.setFlushInBackground(true);
    holder.open(1, folder.file("masterFile_A.txt"), "masterFile_A.txt", FileMode::append);
    holder.write(1, "header\r\n");
    channels.setLockWait(std::chrono::milliseconds(100));
    open(1, "masterFile_A.txt", FileMode::append);
    try {
        channels.write(1, "record\r\n");
        ADD_FAILURE() << "the write should give up on the lock";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find("masterFile_A.txt"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("holds"), std::string::npos) << error.what();
        // A tenth of a second is told as the whole second it rounds up to.
        EXPECT_NE(std::string(error.what()).find("kept it for 1 second. "), std::string::npos)
            << error.what();
    }
    holder.waitForFlushes();
    EXPECT_NO_THROW(channels.write(1, "record\r\n"));
    EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), "old\r\nheader\r\nrecord\r\n");
}

}  // namespace
}  // namespace qatutor::testing
