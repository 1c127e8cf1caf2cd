#include "bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace qatutor::bench {
namespace {

[[noreturn]] void failed(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// A small fixed generator, so both sides of a measurement get the same text.
struct Words {
    unsigned state = 12345;
    unsigned next() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    }
    std::string_view word() {
        static constexpr std::string_view words[] = {
            "the",   "probability", "of",        "drawing",      "two",      "red",
            "cards", "is",          "13/52",     "times",        "12/51",    "so",
            "I",     "multiplied",  "counted",   "arrangements", "caf\xE9",  "r\xE9sum\xE9",
            "5!",    "=",           "120",       "because",      "order",    "matters",
            "here",  "mean",        "deviation", "about",        "which",    "gives",
            "0.059", "and",         "expected",  "value",        "na\xEFve", "\x93quoted\x94"};
        return words[next() % std::size(words)];
    }
};

}  // namespace

void report(std::string_view name, double milliseconds) {
    std::printf("sample %.*s %.4f\n", static_cast<int>(name.size()), name.data(), milliseconds);
    std::fflush(stdout);
}

TempHome::TempHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qatutor-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) failed("mkdtemp");
    path_ = pattern;
}

TempHome::~TempHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string typedText(std::size_t size) {
    Words words;
    std::string text;
    text.reserve(size + 64);
    int inSentence = 0, inParagraph = 0;
    while (text.size() < size) {
        text += words.word();
        if (++inSentence == 12) {
            text += ". ";
            inSentence = 0;
            if (++inParagraph == 5) {
                text += "\r\n";
                inParagraph = 0;
            }
        } else {
            text += ' ';
        }
    }
    return text;
}

std::string sendFileText(std::size_t size) {
    Words words;
    std::string text;
    text.reserve(size + 512);
    while (text.size() < size) {
        text += "......!!!!!!!!...................................\r\n";
        text += "                                                        14:05:09\r\n";
        text += "`q004.  How many ways can 5 books be arranged on a shelf?\r\n";
        text += "......!!!!!!!!...................................\r\n";
        text += "RESPONSE -->  \r\n";
        for (int line = 0; line < 4; ++line) {
            for (int w = 0; w < 11; ++w) {
                text += words.word();
                text += ' ';
            }
            text += "\r\n";
        }
        text += "confidence assessment:  2\r\n";
        text += ".................................................\r\n";
    }
    return text;
}

// The record a plain program would write for the same response or note: the same lines, made by
// appending strings.
std::string plainRecord(const std::string& text, bool notes, bool master) {
    std::string record;
    record.reserve(text.size() + 1024);
    record += "......!!!!!!!!...................................\r\n";
    record += "                                                        14:05:09\r\n";
    if (notes) record += "                                          12-07-2026    14:05:09\r\n";
    if (master && !notes) record += "\r\n\r\n`questionNumber             20001 \r\n";
    record += "`q001.  How many ways are there to choose 2 of 5 books?\r\n";
    record += "......!!!!!!!!...................................\r\n";
    if (notes) {
        record += "NOTES -------> ";
    } else {
        record += "RESPONSE -->  \r\n";
    }
    record += text;
    record += "\r\n";
    if (!notes) record += "confidence assessment:  2\r\n";
    record += ".................................................";
    if (master || !notes) record += "\r\n";
    return record;
}

void appendDurably(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) failed("open " + path);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        failed("write " + path);
    if (::fsync(fd) != 0) failed("fsync " + path);
    ::close(fd);
}

std::string readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) failed("open " + path);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) failed("read " + path);
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void writeWholeFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) failed("open " + path);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        failed("write " + path);
    ::close(fd);
}

void showAndWait(QWidget& window) {
    window.show();
    const auto start = Clock::now();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (millisecondsSince(start) > 10000)
            throw std::runtime_error("the window was never shown");
    }
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace qatutor::bench
