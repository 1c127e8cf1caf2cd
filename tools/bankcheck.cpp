// qatutor-bankcheck: checks a course bank source file against the line grammar and the shape
// rules, and dumps the table the program loads from it.
//
//   qatutor-bankcheck [FILE]          check FILE, or the bank built into the program
//   qatutor-bankcheck --dump [FILE]   print the loaded table, {"index": N, "text": "..."} a line
//   qatutor-bankcheck --outline [FILE]  print each assignment's indices and line counts
//   qatutor-bankcheck --version       print the version of qatutor
// Exits 1 when there is a violation, 2 when FILE cannot be read or the command line is wrong.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "bank/bank_check.h"
#include "bank/bank_source.h"
#include "bank/bank_table.h"
#include "base/cp1252.h"
#include "base/errors.h"

namespace {

using namespace qatutor;

constexpr const char* usage =
    "usage: qatutor-bankcheck [--dump | --outline] [FILE]\n"
    "       qatutor-bankcheck --version\n";

std::string jsonEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (code < 32 || code >= 127) {
                // Control characters, and Windows-1252 characters beyond ASCII by their code point.
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x",
                              static_cast<unsigned>(cp1252::toCodePoint(code)));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out;
}

int dump(const std::vector<BankPiece>& pieces) {
    BankTable table;
    int lineCursor = 0;
    loadQuestionBank(table, lineCursor, pieces);
    const auto lineCount = static_cast<int>(bankLines(pieces).size());
    for (int index = 1; index <= lineCount; ++index)
        std::cout << "{\"index\": " << index << ", \"text\": \"" << jsonEscaped(table.at(index))
                  << "\"}\n";
    return 0;
}

int outline(const std::vector<std::string>& lines) {
    const BankOutline bank = outlineOf(lines);
    std::cout << "header\tindices\tlines\tquestions\tanswers\tcontinuations\tempty\n";
    for (const AssignmentOutline& a : bank.assignments)
        std::cout << a.header << '\t' << a.firstIndex << '-' << a.lastIndex << '\t'
                  << a.lastIndex - a.firstIndex + 1 << '\t' << a.questions << '\t' << a.answers
                  << '\t' << a.continuations << '\t' << a.empties << '\n';
    for (int index : bank.endLineIndices)
        std::cout << "end line " << lines[static_cast<std::size_t>(index) - 1] << '\t' << index
                  << '\n';
    std::cout << "lines\t" << lines.size() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = "check";
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dump")
            mode = "dump";
        else if (arg == "--outline")
            mode = "outline";
        else if (arg == "--version") {
            std::cout << "qatutor-bankcheck " << QATUTOR_VERSION << '\n';
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "qatutor-bankcheck: unknown option " << arg << '\n' << usage;
            return 2;
        } else if (!file.empty()) {
            std::cerr << "qatutor-bankcheck: one bank file at a time (" << file << ", " << arg
                      << ")\n"
                      << usage;
            return 2;
        } else
            file = arg;
    }

    std::string source;
    if (file.empty()) {
        source = std::string(builtInBankSource());
        file = "(built-in bank)";
    } else {
        std::ifstream in(file, std::ios::binary);
        const int openError = errno;
        // A path that cannot be examined (a name too long, a loop of links) is not a folder; the
        // open above failed on it too, and says why below.
        std::error_code examineError;
        if (std::filesystem::is_directory(file, examineError)) {
            std::cerr << "qatutor-bankcheck: cannot read " << file << ": it is a folder\n";
            return 2;
        }
        if (!in) {
            std::cerr << "qatutor-bankcheck: cannot read " << file << ": "
                      << std::strerror(openError) << '\n';
            return 2;
        }
        std::ostringstream content;
        content << in.rdbuf();
        source = content.str();
    }

    const ParsedBank parsed = parseBankSource(source);
    const std::vector<std::string> lines = bankLines(parsed.pieces);
    if (mode != "check") {
        // The dump refuses a source with format errors and the outline is partial; say why on
        // standard error, so that standard output stays the table.
        for (const SourceError& error : parsed.errors)
            std::cerr << file << ":" << error.sourceLine << ": format: " << error.message << '\n';
    }
    try {
        if (mode == "dump") return parsed.errors.empty() ? dump(parsed.pieces) : 1;
        if (mode == "outline") return outline(lines);
    } catch (const TutorError& error) {
        std::cerr << file << ": " << error.what() << '\n';
        return 1;
    }

    int count = 0;
    for (const SourceError& error : parsed.errors) {
        std::cout << file << ":" << error.sourceLine << ": format: " << error.message << '\n';
        ++count;
    }
    for (const Violation& v : checkBank(lines)) {
        const int sourceLine =
            v.bankIndex > 0 ? parsed.firstSourceLine[static_cast<std::size_t>(v.bankIndex) - 1] : 0;
        if (v.bankIndex > 0)
            std::cout << file << ":" << sourceLine << ": bank line " << v.bankIndex << ": "
                      << v.rule << ": " << v.message << '\n';
        else  // about the whole bank, not one of its lines
            std::cout << file << ": " << v.rule << ": " << v.message << '\n';
        ++count;
    }
    if (count == 0) std::cout << file << ": " << lines.size() << " lines, no violation\n";
    return count == 0 ? 0 : 1;
}
