// What the measurements share: a clock, a temporary home folder, test texts made the same way on
// both sides, and the plain write+fsync that record floors are made of.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

class QWidget;

namespace qatutor::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Prints one measured sample for bench/run.sh: "sample NAME MILLISECONDS".
void report(std::string_view name, double milliseconds);

// A fresh folder under the temporary folder, removed with its content at the end.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// About `size` bytes of a student's typing in Windows-1252: sentences with a few accented
// letters, paragraphs ended by CR LF. The same text on every call.
std::string typedText(std::size_t size);

// About `size` bytes of a send file: file headers and response records, lines ended by CR LF.
std::string sendFileText(std::size_t size);

// The response record (`notes` false) or notes record a plain program would write for `text`
// to the master file (`master`) or another file: the same lines, made by appending strings.
std::string plainRecord(const std::string& text, bool notes, bool master);

// The floor of a record: opens `path` for appending, writes `bytes` with one write, flushes them
// to stable storage and closes the file. Throws when any step fails.
void appendDurably(const std::string& path, std::string_view bytes);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, std::string_view bytes);

// Shows `window` and returns once it is on screen and painted.
void showAndWait(QWidget& window);

inline constexpr std::size_t megabyte = 1 << 20;

}  // namespace qatutor::bench
