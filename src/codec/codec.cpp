#include "codec/codec.h"

#include <cmath>
#include <utility>

#include "base/text.h"
#include "host/channel_guard.h"
#include "host/host.h"

namespace qatutor {
namespace {

inline constexpr unsigned char blankCode = 32;
inline constexpr unsigned char lowestNoiseCode = 66;
inline constexpr unsigned char highestNoiseCode = 118;
// A noise line's characters: noise codes from 66 up 50 steps, and coded-character codes from 118
// up 137 steps, to 255.
inline constexpr double noiseSteps = 50;
inline constexpr double codedSteps = 137;
static_assert(highestNoiseCode + codedSteps == 255);

// Rounds to the nearest whole number, a value exactly halfway going to the even neighbour.
char roundedCharacter(double value) {
    return static_cast<char>(static_cast<int>(std::nearbyint(value)));
}

std::string codedQueryLine(const std::string& line, int codeNbr) {
    const std::string start = toLower(line.substr(0, 6));
    if (start == "assign") return line;
    if (start == "query ") return "query" + code(line.size() > 7 ? line.substr(7) : "", codeNbr);
    return code(line, codeNbr);
}

}  // namespace

std::string code(std::string_view aLine, int /*codeNbr*/) { return std::string(aLine); }

std::string code(std::string&& aLine, int /*codeNbr*/) { return std::move(aLine); }

std::string decode(std::string_view aLine, int codeNbr) {
    std::string result;
    result.reserve(aLine.size());
    for (char c : aLine) {
        const int x = static_cast<unsigned char>(c);
        int decoded;
        if (x == blankCode) {
            decoded = blankCode;
        } else if (x < lowestNoiseCode) {
            decoded = x + 209 - codeNbr;
        } else if (x > highestNoiseCode) {
            decoded = x - codeNbr - 100;
        } else {
            continue;  // noise
        }
        if (decoded < 0 || decoded > 255)
            throw TutorError(
                "Invalid procedure call or argument: decode gives the character code " +
                std::to_string(decoded) + ", outside 0 to 255.");
        result += static_cast<char>(decoded);
    }
    return result;
}

std::string makeCodeLine(Host& host, int codeNbr) {
    std::string line;
    for (int step = 1; step <= codeNbr; ++step) {
        const float r = host.nextRandom();
        if (r < 0.1f) {
            const float s = host.nextRandom();
            line += roundedCharacter(static_cast<double>(s) * noiseSteps + lowestNoiseCode);
        }
        const float t = host.nextRandom();
        line += roundedCharacter(static_cast<double>(t) * codedSteps + highestNoiseCode);
    }
    return line;
}

void codeFile(Host& host, Session& session) {
    const std::string queryPath = session.outputFolder + "\\query" + ".txt";
    const std::string codedPath = session.outputFolder + "\\queri" + ".txt";

    ChannelGuard guard(host, {1, 2});
    host.openFile(1, queryPath, FileMode::input);
    session.codeNumber = static_cast<int>(host.readLine(1).size());
    host.closeAllFiles();

    host.openFile(1, queryPath, FileMode::input);
    host.openFile(2, codedPath, FileMode::output);
    while (!host.atEnd(1))
        host.write(2, codedQueryLine(host.readLine(1), session.codeNumber) + "\r\n");
    host.closeFile(1);
    host.closeFile(2);
}

}  // namespace qatutor
