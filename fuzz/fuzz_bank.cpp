// The bank source parser, checker and loader on arbitrary bank files.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bank/bank_check.h"
#include "bank/bank_source.h"
#include "bank/bank_table.h"
#include "base/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const qatutor::ParsedBank parsed = qatutor::parseBankSource(source);
    const std::vector<std::string> lines = qatutor::bankLines(parsed.pieces);
    qatutor::checkBank(lines);
    qatutor::outlineOf(lines);
    qatutor::BankTable table;
    int lineCursor = 0;
    try {
        qatutor::loadQuestionBank(table, lineCursor, parsed.pieces);
        if (lineCursor != 0) std::abort();
        if (!lines.empty() && table.at(static_cast<int>(lines.size())) != lines.back())
            std::abort();
    } catch (const qatutor::TutorError&) {
        if (lines.size() <= 5000) std::abort();
    }
    return 0;
}
