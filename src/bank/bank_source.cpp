#include "bank/bank_source.h"

#include "base/errors.h"

namespace qatutor {

ParsedBank parseBankSource(std::string_view source) {
    ParsedBank parsed;
    int sourceLine = 0;
    std::size_t pos = 0;
    while (pos < source.size()) {
        ++sourceLine;
        std::size_t end = source.find('\n', pos);
        if (end == std::string_view::npos) end = source.size();
        const std::string_view line = source.substr(pos, end - pos);
        pos = end + 1;

        auto error = [&](std::string message) {
            parsed.errors.push_back({sourceLine, std::move(message)});
        };
        if (line.empty() || line.front() == '#') continue;
        if (line.find('\r') != std::string_view::npos) {
            error(
                "carriage return in the source line: save the file with Unix line ends (LF "
                "only); a line break inside a bank line is written as a +| piece");
            continue;
        }
        std::string_view body = line;
        const char kind = body.front();
        if (kind == '+' || kind == '&') body.remove_prefix(1);
        if (body.size() < 2 || body.front() != '|' || body.back() != '|') {
            error("a source line must be |text|, +|text|, &|text| or a # comment");
            continue;
        }
        std::string text(body.substr(1, body.size() - 2));
        if (kind == '|') {
            parsed.firstSourceLine.push_back(sourceLine);
            parsed.pieces.push_back({true, std::move(text)});
        } else if (parsed.pieces.empty()) {
            error("a continuing piece before the first bank line");
        } else {
            if (kind == '+') text.insert(0, "\r\n");
            parsed.pieces.push_back({false, std::move(text)});
        }
    }
    return parsed;
}

std::vector<std::string> bankLines(const std::vector<BankPiece>& pieces) {
    std::vector<std::string> lines;
    for (const BankPiece& piece : pieces) {
        if (piece.startsLine || lines.empty()) lines.emplace_back();
        lines.back() += piece.text;
    }
    return lines;
}

const std::vector<BankPiece>& builtInBank() {
    static const std::vector<BankPiece> pieces = [] {
        ParsedBank parsed = parseBankSource(builtInBankSource());
        if (!parsed.errors.empty())
            throw TutorError("The built-in question bank is damaged at its source line " +
                             std::to_string(parsed.errors.front().sourceLine) + ": " +
                             parsed.errors.front().message);
        return std::move(parsed.pieces);
    }();
    return pieces;
}

}  // namespace qatutor
