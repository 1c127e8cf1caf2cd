// File channels over real files: raw bytes, line reading, errors, and whole-or-nothing writes,
// stepped through this system's own calls (on Windows, under Wine, the Win32 ones).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "host/file_channels.h"
#include "support/forwarding_files.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

class FileChannelsTest : public ::testing::Test {
protected:
    void open(int channel, const std::string& name, FileMode mode) {
        channels.open(channel, folder.file(name), name, mode);
    }
    TempFolder folder;
    ForwardingFiles files;  // the system's calls, each of which a test may take over
    FileChannels channels{files};
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

// Opens once, from any thread. A wait is bounded, so that a fault fails a test but never hangs it.
class Gate {
public:
    void open() {
        std::call_once(once_, [this] { promise_.set_value(); });
    }
    bool wait() { return opened_.wait_for(std::chrono::seconds(20)) == std::future_status::ready; }

private:
    std::promise<void> promise_;
    std::shared_future<void> opened_ = promise_.get_future().share();
    std::once_flag once_;
};

// The system's code for a file that another program has open without sharing it.
#ifdef _WIN32
constexpr int inUseCode = ERROR_SHARING_VIOLATION;
#else
constexpr int inUseCode = EBUSY;
#endif

// A second copy of the program whose lock attempts open `waits` once one finds the lock held.
struct OtherCopy {
    OtherCopy() {
        files.onTryLock = [this](SystemFile file) {
            const LockAttempt attempt = files.real.tryLock(file);
            if (attempt == LockAttempt::heldByAnother) waits.open();
            return attempt;
        };
    }
    ForwardingFiles files;
    Gate waits;
    FileChannels channels{files};
};

// Two copies of the program append to one master file. While the first copy's record fails and
// is cut back, the second copy tries to append its own: it must wait, and its record must stay.
TEST_F(FileChannelsTest, ARecordCutBackNeverTakesAnotherCopysRecordWithIt) {
    for (FileOperation failing : {FileOperation::write, FileOperation::flush}) {
        const std::string path = folder.file("masterFile_Ann_Lee.txt");
        writeFile(path, "earlier record\r\n");
        OtherCopy other;
        other.channels.open(1, path, "masterFile_Ann_Lee.txt", FileMode::append);
        open(1, "masterFile_Ann_Lee.txt", FileMode::append);
        std::future<void> otherWrite;
        bool otherWaited = false;
        channels.setFaultHook([&](FileOperation op, const std::string&) {
            if (op != failing) return 0;
            otherWrite = std::async(std::launch::async, [&] {
                other.channels.write(1, "the other copy's record\r\n");
            });
            otherWaited = other.waits.wait();  // the other copy finds the file locked
            return ENOSPC;
        });
        EXPECT_THROW(channels.write(1, "this copy's record, which does not fit\r\n"), HostError);
        otherWrite.get();
        EXPECT_TRUE(otherWaited);
        channels.setFaultHook(nullptr);
        channels.close(1);
        other.channels.close(1);
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
        OtherCopy other;
        std::atomic<bool> otherWaited = false;
        channels.setFaultHook([&](FileOperation op, const std::string&) {
            if (op != FileOperation::flush) return 0;
            otherWaited = other.waits.wait();
            return failure;
        });
        channels.setFlushInBackground(true);
        open(1, "masterFile_Ann_Lee.txt", FileMode::append);
        channels.write(1, "header\r\n");
        channels.close(1);
        channels.setFlushInBackground(false);

        other.channels.open(1, path, "masterFile_Ann_Lee.txt", FileMode::append);
        other.channels.write(1, "the other copy's record\r\n");
        other.channels.close(1);
        EXPECT_TRUE(otherWaited);
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
        // A second write to one file waits for the first one's flush, and both stay.
        {"", "old\r\nheader\r\nheader\r\n", "", 1},
    };
    for (const Case& c : cases) {
        writeFile(folder.file("masterFile_A.txt"), "old\r\n");
        std::filesystem::remove(folder.file("send_A.txt"));
        // The master's first flush ends only once the second write, to the send file, has begun;
        // a second write to the master file waits for that flush before it begins.
        std::atomic<int> lockAttempts = 0;
        Gate secondWriteBegun;
        files.onTryLock = [&](SystemFile file) {
            if (++lockAttempts == 2) secondWriteBegun.open();
            return files.real.tryLock(file);
        };
        channels.setFaultHook([&](FileOperation op, const std::string& path) {
            if (op != FileOperation::flush) return 0;
            if (c.second == 2 && path.find("masterFile") != std::string::npos)
                secondWriteBegun.wait();
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
        files.onTryLock = nullptr;
    }
}

// Each way a write can go wrong below the record: the system writes nothing without saying why,
// or the helper thread of a background flush cannot start. Either way the file ends whole or as
// it was, no handle is left open, no mark is left beside it, and the lock is free for the next
// writer.
TEST_F(FileChannelsTest, AWriteThatWritesNothingOrAFlushThreadThatCannotStartEndsCleanly) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string expected;
    };
    int calls = 0;
    SystemFile record = noFile;
    files.onOpen = [&](const std::string& path, FileMode mode, bool hidden) {
        SystemFiles::Opened opened = files.real.open(path, mode, hidden);
        if (path == folder.file("rec.txt")) record = opened.file;
        return opened;
    };
    // Stands in for the record's appends only, not the mark's.
    const auto appendToRecord = [&](auto append) {
        files.onAppend = [&, append](SystemFile file, std::span<const std::string_view> pieces,
                                     std::size_t& written) {
            if (file != record) return files.real.append(file, pieces, written);
            return append(file, pieces, written);
        };
    };
    const std::vector<Case> cases = {
        {"writes nothing",
         [&] {
             appendToRecord(
                 [&](SystemFile, std::span<const std::string_view>, std::size_t& written) {
                     ++calls;
                     written = 0;
                     return SystemError{};
                 });
         },
         "old\r\n"},
        {"writes half, then nothing",
         [&] {
             appendToRecord([&](SystemFile file, std::span<const std::string_view> pieces,
                                std::size_t& written) {
                 written = 0;
                 if (++calls > 1) return SystemError{};
                 const std::string_view half = pieces[0].substr(0, pieces[0].size() / 2);
                 return files.real.append(file, std::span(&half, 1), written);
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
        open(1, "rec.txt", FileMode::append);
        c.arrange();
        try {
            channels.write(1, "record\r\n");
        } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find("rec.txt"), std::string::npos) << c.what;
        }
        EXPECT_LT(calls, 3) << c.what;
        channels.close(1);
        files.onAppend = nullptr;
        channels.setFaultHook(nullptr);
        channels.setFlushInBackground(false);
        EXPECT_NO_THROW(channels.waitForFlushes());
        EXPECT_EQ(files.openHandles(), 0) << c.what;
        EXPECT_EQ(readFile(folder.file("rec.txt")), c.expected) << c.what;
        EXPECT_FALSE(std::filesystem::exists(folder.file(".rec.txt.unfinished"))) << c.what;

        FileChannels next;
        next.setLockWait(std::chrono::milliseconds(200));
        next.open(1, folder.file("rec.txt"), "rec.txt", FileMode::append);
        EXPECT_NO_THROW(next.write(1, "next\r\n")) << c.what;
    }
}

// A write whose bytes cannot be cut back out again says which file may end with part of the
// record, keeps the mark, and the next write to the file takes that part out before it appends.
TEST_F(FileChannelsTest, ACutBackThatFailsIsToldAndTriedAgainByTheNextWrite) {
    for (FileOperation failing : {FileOperation::write, FileOperation::flush}) {
        writeFile(folder.file("send_A.txt"), "old\r\n");
        channels.setFaultHook([&](FileOperation op, const std::string&) {
            return op == failing ? ENOSPC : op == FileOperation::cutBack ? EACCES : 0;
        });
        open(2, "send_A.txt", FileMode::append);
        try {
            channels.write(2, "a record that does not fit\r\n");
            ADD_FAILURE() << "the write should fail";
        } catch (const PartlyWrittenError& error) {
            EXPECT_NE(std::string(error.what())
                          .find(folder.file("send_A.txt") +
                                " may end with part of it: it could "
                                "not be cut back (" +
                                std::strerror(EACCES) + ")"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_NE(readFile(folder.file("send_A.txt")), "old\r\n");
        EXPECT_TRUE(std::filesystem::exists(folder.file(".send_A.txt.unfinished")));
        channels.setFaultHook(nullptr);
        channels.write(2, "next\r\n");
        channels.close(2);
        EXPECT_EQ(readFile(folder.file("send_A.txt")), "old\r\nnext\r\n");
        EXPECT_FALSE(std::filesystem::exists(folder.file(".send_A.txt.unfinished")));
    }
}

// A cut back that cannot be put on stable storage is a failed cut: the part may come back after
// a stop, so the file is named and the mark kept.
TEST_F(FileChannelsTest, ACutBackThatCannotBeFlushedIsAFailedCut) {
    writeFile(folder.file("send_A.txt"), "old\r\n");
    bool shortened = false;
    files.onShorten = [&](SystemFile file, std::int64_t size) {
        shortened = true;
        return files.real.shorten(file, size);
    };
    files.onFlush = [&](SystemFile file) {
        return shortened ? SystemError{inUseCode} : files.real.flush(file);
    };
    channels.setFaultHook([](FileOperation op, const std::string&) {
        return op == FileOperation::write ? ENOSPC : 0;
    });
    open(2, "send_A.txt", FileMode::append);
    EXPECT_THROW(channels.write(2, "a record that does not fit\r\n"), PartlyWrittenError);
    EXPECT_TRUE(std::filesystem::exists(folder.file(".send_A.txt.unfinished")));
    channels.setFaultHook(nullptr);
    files.onShorten = nullptr;
    files.onFlush = nullptr;
    channels.close(2);
}

// Start-up's headers flushed in the background: the master's flush fails, so the send file's
// header is cut back too, and neither cut can be made. Both files are named.
TEST_F(FileChannelsTest, EveryFailedCutBackInTheBackgroundIsTold) {
    writeFile(folder.file("masterFile_A.txt"), "old\r\n");
    writeFile(folder.file("send_A.txt"), "old\r\n");
    channels.setFaultHook([](FileOperation op, const std::string& path) {
        if (op == FileOperation::cutBack) return EACCES;
        return op == FileOperation::flush && path.find("masterFile") != std::string::npos ? EIO : 0;
    });
    channels.setFlushInBackground(true);
    open(1, "masterFile_A.txt", FileMode::append);
    open(2, "send_A.txt", FileMode::append);
    channels.write(1, "header\r\n");
    channels.write(2, "header\r\n");
    channels.closeAll();
    channels.setFlushInBackground(false);
    try {
        channels.waitForFlushes();
        ADD_FAILURE() << "the failed flush should be told";
    } catch (const PartlyWrittenError& error) {
        for (const char* name : {"masterFile_A.txt", "send_A.txt"})
            EXPECT_NE(
                std::string(error.what()).find(folder.file(name) + " may end with part of it"),
                std::string::npos)
                << error.what();
    }
    channels.setFaultHook(nullptr);
}

// A write after a cut back follows what the file holds, whether the file was opened to append or
// to be emptied: no gap is left where the cut bytes were.
TEST_F(FileChannelsTest, AWriteAfterACutBackFollowsWhatIsLeft) {
    for (FileMode mode : {FileMode::append, FileMode::output}) {
        open(3, "queri.txt", mode);
        channels.write(3, "line1\r\n");
        channels.setFaultHook([](FileOperation op, const std::string&) {
            return op == FileOperation::write ? EIO : 0;
        });
        EXPECT_THROW(channels.write(3, "line2\r\n"), HostError);
        channels.setFaultHook(nullptr);
        channels.write(3, "line3\r\n");
        channels.close(3);
        EXPECT_EQ(readFile(folder.file("queri.txt")), "line1\r\nline3\r\n");
        std::filesystem::remove(folder.file("queri.txt"));
    }
}

// A program ended in the middle of a write leaves part of a record and the mark beside the file;
// the next write cuts the part back out as the mark says, and a mark that does not fit is let be.
TEST_F(FileChannelsTest, AnUnfinishedRecordIsCutBackOutByTheNextWrite) {
    struct Case {
        const char* mark;  // the sizes before and after the record
        std::string before, after;
    };
    const std::vector<Case> cases = {
        {"5 30", "old\r\nhalf of a rec", "old\r\nnew\r\n"},
        {"0 30", "half of a rec", "new\r\n"},
        // A mark that stayed after its record went in whole (it could not be removed, or a
        // computer that stopped brought it back) cuts nothing, nor does one the file is past.
        {"5 19", "old\r\nwhole record\r\n", "old\r\nwhole record\r\nnew\r\n"},
        {"5 19", "old\r\nwhole record\r\nlater\r\n", "old\r\nwhole record\r\nlater\r\nnew\r\n"},
        {"99 120", "old\r\n", "old\r\nnew\r\n"},                       // the file is shorter
        {"5", "old\r\nhalf of a rec", "old\r\nhalf of a recnew\r\n"},  // not a mark
        {"5 x", "old\r\nhalf of a rec", "old\r\nhalf of a recnew\r\n"},
    };
    for (const Case& c : cases) {
        writeFile(folder.file("masterFile_A.txt"), c.before);
        writeFile(folder.file(".masterFile_A.txt.unfinished"), c.mark);
        open(1, "masterFile_A.txt", FileMode::append);
        channels.write(1, "new\r\n");
        channels.close(1);
        EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), c.after) << c.mark;
        EXPECT_FALSE(std::filesystem::exists(folder.file(".masterFile_A.txt.unfinished")))
            << c.mark;
    }
}

// A send file of an earlier day, which no later run writes to, is made whole at start-up; a mark
// whose file is gone is let be.
TEST_F(FileChannelsTest, UnfinishedRecordsAreCutOutOfEveryFileInTheFolder) {
    writeFile(folder.file("send_1208A.txt"), "old\r\nhalf of a rec");
    writeFile(folder.file(".send_1208A.txt.unfinished"), "5 30");
    writeFile(folder.file("masterFile_A.txt"), "old\r\nwhole\r\n");
    writeFile(folder.file(".gone.txt.unfinished"), "0 10");
    EXPECT_EQ(channels.cutOutUnfinishedRecordsIn(folder.path()),
              std::vector<std::string>{folder.file("send_1208A.txt")});
    EXPECT_EQ(readFile(folder.file("send_1208A.txt")), "old\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file(".send_1208A.txt.unfinished")));
    EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), "old\r\nwhole\r\n");
    EXPECT_TRUE(std::filesystem::exists(folder.file(".gone.txt.unfinished")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("gone.txt")));
    EXPECT_EQ(files.openHandles(), 0);
}

// Another program has the file open and lets no one else write to it (a word processor): the
// open waits for it as for a held lock, then names the file in the system's own words.
TEST_F(FileChannelsTest, AFileAnotherProgramKeepsToItselfIsWaitedForThenNamed) {
    for (const int inUseAttempts : {3, 1000000}) {
        writeFile(folder.file("masterFile_A.txt"), "old\r\n");
        int attempts = 0;
        files.onOpen = [&](const std::string& path, FileMode mode, bool hidden) {
            if (path == folder.file("masterFile_A.txt") && ++attempts <= inUseAttempts)
                return SystemFiles::Opened{noFile, false, SystemError{inUseCode, true}};
            return files.real.open(path, mode, hidden);
        };
        channels.setLockWait(std::chrono::milliseconds(300));
        try {
            open(1, "masterFile_A.txt", FileMode::append);
            channels.write(1, "new\r\n");
            channels.close(1);
            EXPECT_EQ(inUseAttempts, 3) << "the open should wait for the file";
            EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), "old\r\nnew\r\n");
        } catch (const FileBusyError& error) {
            EXPECT_NE(inUseAttempts, 3) << error.what();
            const std::string expected =
                "Could not open for appending " + folder.file("masterFile_A.txt") + ": " +
                files.real.errorText(SystemError{inUseCode, true}) +
                ". Another program has kept it open for 1 second: close the file there, or that "
                "program, and start again.";
            EXPECT_EQ(error.what(), expected);
        }
        files.onOpen = nullptr;
    }
}

#ifdef _WIN32
// Windows' own ways of keeping a file from the tutor: another program has it open without sharing
// it (waited for, then named in Windows' words), or has it mapped, which keeps a failed record's
// bytes from being cut back out (told, and cut by the next write once the mapping is gone).
TEST_F(FileChannelsTest, OnWindowsAFileHeldOpenOrMappedByAnotherProgramIsToldOrWaitedFor) {
    const std::string path = folder.file("masterFile_A.txt");
    const auto holdWithoutSharing = [&] {
        return ::CreateFileW(std::filesystem::path(path).wstring().c_str(), GENERIC_READ, 0,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    channels.setLockWait(std::chrono::milliseconds(300));
    for (const bool letGo : {true, false}) {
        writeFile(path, "old\r\n");
        HANDLE other = holdWithoutSharing();
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        files.onOpen = [&](const std::string& name, FileMode mode, bool hidden) {
            SystemFiles::Opened opened = files.real.open(name, mode, hidden);
            if (opened.error.inUse && letGo && other != INVALID_HANDLE_VALUE) {
                ::CloseHandle(other);  // the other program closes the file while the tutor waits
                other = INVALID_HANDLE_VALUE;
            }
            return opened;
        };
        try {
            open(1, "masterFile_A.txt", FileMode::append);
            channels.write(1, "new\r\n");
            channels.close(1);
            EXPECT_TRUE(letGo);
            EXPECT_EQ(readFile(path), "old\r\nnew\r\n");
        } catch (const FileBusyError& error) {
            EXPECT_FALSE(letGo) << error.what();
            // "The process cannot access the file because it is being used by another process"
            const std::string words =
                files.real.errorText(SystemError{ERROR_SHARING_VIOLATION, true});
            EXPECT_NE(std::string(error.what()).find(": " + words + ". Another program"),
                      std::string::npos)
                << error.what();
        }
        if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
        files.onOpen = nullptr;
    }

    writeFile(path, "old\r\n");
    const HANDLE file = ::CreateFileW(std::filesystem::path(path).wstring().c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    channels.setFaultHook(
        [](FileOperation op, const std::string&) { return op == FileOperation::flush ? EIO : 0; });
    open(1, "masterFile_A.txt", FileMode::append);
    EXPECT_THROW(channels.write(1, "a record that fails\r\n"), PartlyWrittenError);
    channels.setFaultHook(nullptr);
    ::UnmapViewOfFile(view);
    ::CloseHandle(mapping);
    ::CloseHandle(file);
    channels.write(1, "next\r\n");
    channels.close(1);
    EXPECT_EQ(readFile(path), "old\r\nnext\r\n");
}
#else
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
            } catch (const FileBusyError& error) {
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
    Gate gaveUp;
    holder.setFaultHook([&](FileOperation op, const std::string&) {
        if (op == FileOperation::flush) gaveUp.wait();
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
    } catch (const FileBusyError& error) {
        EXPECT_NE(std::string(error.what()).find("masterFile_A.txt"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("holds"), std::string::npos) << error.what();
        // A tenth of a second is told as the whole second it rounds up to.
        EXPECT_NE(std::string(error.what()).find("kept it for 1 second. "), std::string::npos)
            << error.what();
    }
    gaveUp.open();
    holder.waitForFlushes();
    EXPECT_NO_THROW(channels.write(1, "record\r\n"));
    EXPECT_EQ(readFile(folder.file("masterFile_A.txt")), "old\r\nheader\r\nrecord\r\n");
}

}  // namespace
}  // namespace qatutor::testing
