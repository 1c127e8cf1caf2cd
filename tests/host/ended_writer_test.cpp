// A second process of the program, ended (killed, or TerminateProcess on Windows) in the middle of
// its large records, again and again: every record file then holds whole records only, once the
// next write has come.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace qatutor::testing {
namespace {

// The writer program, record_writer, started with `arguments`.
class Writer {
public:
    explicit Writer(const std::vector<std::string>& arguments) {
#ifdef _WIN32
        std::string program = QATUTOR_RECORD_WRITER;
        if (program.starts_with("/")) program = "Z:" + program;  // a Linux path, under Wine
        std::string line = "\"" + program + "\"";
        for (const std::string& argument : arguments) line += " \"" + argument + "\"";
        std::wstring wideLine = std::filesystem::path(line).wstring();
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        started_ = ::CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process);
        process_ = process.hProcess;
        if (started_) ::CloseHandle(process.hThread);
#else
        std::vector<std::string> all = {QATUTOR_RECORD_WRITER};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        started_ = ::posix_spawn(&process_, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
#endif
    }
    bool started() const { return started_; }
    // Ends the program at once, as a crash or Task Manager's "End task" does.
    void end() {
#ifdef _WIN32
        ::TerminateProcess(process_, 9);
#else
        ::kill(process_, SIGKILL);
#endif
    }
    // The program's exit status, once it has ended.
    int wait() {
#ifdef _WIN32
        ::WaitForSingleObject(process_, INFINITE);
        DWORD status = 0;
        ::GetExitCodeProcess(process_, &status);
        ::CloseHandle(process_);
        return static_cast<int>(status);
#else
        int status = 0;
        ::waitpid(process_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

private:
    bool started_ = false;
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t process_ = 0;
#endif
};

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

TEST(EndedWriter, EveryRecordFileHoldsWholeRecordsOnlyAfterTheWriterIsEndedMidRecord) {
    TempFolder folder;
    const std::string path = folder.file("masterFile_Ann_Lee.txt");
    const std::size_t bodyBytes = 5 << 20;
    const std::string record = "BEGIN\r\n" + std::string(bodyBytes, 'x') + "\r\nEND\r\n";
    std::mt19937 random(20261209);
    int tornAtEnd = 0;
    for (int run = 0; run < 12; ++run) {
        const std::uintmax_t before = sizeOf(path);
        Writer writer({path, std::to_string(bodyBytes)});
        ASSERT_TRUE(writer.started());
        // Ended once its record has begun to reach the file, a moment later or at once.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (sizeOf(path) <= before && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        writer.end();
        writer.wait();
        if (sizeOf(path) % record.size() != 0) ++tornAtEnd;
    }
    Writer last({path, std::to_string(bodyBytes), "once"});
    ASSERT_TRUE(last.started());
    ASSERT_EQ(last.wait(), 0);

    const std::string content = readFile(path);
    ASSERT_EQ(content.size() % record.size(), 0u)
        << content.size() << " bytes; " << tornAtEnd << " runs were ended with a record torn";
    for (std::size_t at = 0; at < content.size(); at += record.size())
        ASSERT_EQ(content.compare(at, record.size(), record), 0) << "the record at byte " << at;
    EXPECT_FALSE(std::filesystem::exists(folder.file(".masterFile_Ann_Lee.txt.unfinished")));
    std::cout << tornAtEnd << " of 12 runs were ended with a record torn, and cut back out\n";
}

}  // namespace
}  // namespace qatutor::testing
