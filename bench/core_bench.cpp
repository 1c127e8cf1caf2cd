#include "core_bench.h"

#include <optional>
#include <stdexcept>

#include "bank/bank_source.h"
#include "bank/bank_table.h"
#include "bench_support.h"
#include "host/file_channels.h"
#include "host/local_host.h"
#include "reader/reader.h"
#include "records/records.h"
#include "records/startup.h"

namespace qatutor::bench {
namespace {

// A bank source of exactly `lines` bank lines and about `size` bytes; every third line goes on
// in a continuing piece after a line break.
std::string bankSource(int lines, std::size_t size) {
    const std::string words = typedText(size + size / 8);
    const std::size_t perLine = size / static_cast<std::size_t>(lines);
    std::string source;
    source.reserve(size + static_cast<std::size_t>(lines) * 8);
    std::size_t from = 0;
    for (int line = 0; line < lines; ++line) {
        std::string text = words.substr(from, perLine);
        from += perLine;
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        if (line % 3 == 2) {
            const std::size_t half = text.size() / 2;
            source += "|" + text.substr(0, half) + "|\n+|" + text.substr(half) + "|\n";
        } else {
            source += "|" + text + "|\n";
        }
    }
    return source;
}

// A host whose answer box hands over text that is bytes already, so that a command's time is
// the core's own: composing the record and writing it. Notes when the boxes are first emptied,
// which a recording command does once its record is on stable storage.
class CoreHost : public LocalHost {
public:
    explicit CoreHost(std::string home) : LocalHost(std::move(home)) {}

    std::string answer;
    std::optional<Clock::time_point> emptied;

    std::string prompt(const std::string& text) override {
        if (text == namePrompt) return "Ann Lee";
        if (text == folderChoicePrompt) return "";
        return "2";  // the assignment, then ratings
    }
    std::string boxText(TextBox box) override {
        return box == TextBox::answer ? std::move(answer) : std::string();
    }
    void setBoxText(TextBox, const std::string&) override {
        if (!emptied) emptied = Clock::now();
    }
    std::string dateText() override { return "12-07-2026"; }
    std::string timeText() override { return "14:05:09"; }
    float secondsSinceMidnight() override { return 50709.0f; }
    void beep() override {}
    void setPictureScale(PictureBox, double, double) override {}
    void drawCircle(PictureBox, double, double, double) override {}
    void copyPictureToClipboard(PictureBox) override {}
    void pastePictureFromClipboard(PictureBox) override {}
    void enableTimer() override {}
    void showMessage(const std::string&) override {}
    [[noreturn]] void endProgram() override { throw std::runtime_error("the run ended"); }
};

}  // namespace

int recordCore(bool tutor, int megabytes, int runs) {
    TempHome home;
    const std::string text = typedText(static_cast<std::size_t>(megabytes) * megabyte);
    const std::string name =
        "response record, " + std::to_string(megabytes) + " MB: compose and write";
    CoreHost host(home.path());
    Session session;
    if (tutor) {
        startUp(host, session, builtInBank());
        cmdNextQuestion(host, session);
    }
    const std::string master = plainRecord(text, false, true);
    const std::string send = plainRecord(text, false, false);
    // The response reaches the core in a new buffer each run, as it does from the answer box, and
    // the core keeps the last one as its work text, so the heap reuses its buffers only from the
    // fifth run on. Until then the system's first read of a new megabyte costs about 1.3 ms on
    // some machines (a small virtual machine on AMD EPYC), while the floor writes from the same buffers every run: both
    // sides leave out their first four runs, so that the figure is a record's cost, not the heap's.
    constexpr int warmUpRuns = 4;
    for (int run = 1 - warmUpRuns; run <= runs; ++run) {
        host.answer = text;
        host.emptied.reset();
        const auto start = Clock::now();
        if (tutor) {
            cmdEnterResponse(host, session);
            if (!host.emptied) throw std::runtime_error("the boxes were not emptied");
        } else {
            appendDurably(home.path() + "/master.txt", master);
            appendDurably(home.path() + "/send.txt", send);
            host.emptied = Clock::now();
        }
        if (run > 0)
            report(name, std::chrono::duration<double, std::milli>(*host.emptied - start).count());
    }
    return 0;
}

int loadBank(bool tutor, int megabytes, int runs) {
    TempHome home;
    const std::string path = home.path() + "/course.bank";
    writeWholeFile(path, bankSource(lastBankIndex, static_cast<std::size_t>(megabytes) * megabyte));
    const std::string name = "load a 5,000-line " + std::to_string(megabytes) + " MB bank";
    for (int run = 0; run <= runs; ++run) {
        const auto start = Clock::now();
        const std::string source = readWholeFile(path);
        if (tutor) {
            const ParsedBank parsed = parseBankSource(source);
            if (!parsed.errors.empty()) throw std::runtime_error(parsed.errors.front().message);
            BankTable table;
            int lineCursor = 0;
            loadQuestionBank(table, lineCursor, parsed.pieces);
            if (table.at(lastBankIndex).empty())
                throw std::runtime_error("the bank was not loaded");
        }
        if (run > 0) report(name, millisecondsSince(start));
    }
    return 0;
}

int channelWrite(bool tutor, int megabytes, int runs) {
    TempHome home;
    const std::string path = home.path() + "/masterFile_Ann_Lee.txt";
    const std::string record = typedText(static_cast<std::size_t>(megabytes) * megabyte);
    const std::string name = "file channel write, " + std::to_string(megabytes) + " MB";
    FileChannels channels;
    for (int run = 0; run <= runs; ++run) {
        const auto start = Clock::now();
        if (tutor) {
            channels.open(masterChannel, path, path, FileMode::append);
            channels.write(masterChannel, record);
            channels.close(masterChannel);
        } else {
            appendDurably(path, record);
        }
        if (run > 0) report(name, millisecondsSince(start));
    }
    return 0;
}

}  // namespace qatutor::bench
