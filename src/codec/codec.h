// The line codec: the tutor's own text coding, and its noise lines.
//
// A coded line is read one character at a time; for coding number n, code x stands for
//   32          a blank
//   0..65       the character x + 209 - n   (x != 32)
//   66..118     noise, dropped
//   119..255    the character x - n - 100
#pragma once

#include <string>
#include <string_view>

#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// The coding step of the record files: returns its line unchanged, so the files hold plain text.
std::string code(std::string_view aLine, int codeNbr);
// The same for a line the caller gives up, which becomes the coded line without a copy: a
// megabyte response copied would be a megabyte of fresh memory to fill on every record.
std::string code(std::string&& aLine, int codeNbr);

// decode({220, 70, 231, 32, 223}, 20) -> "do g"
// A computed code outside 0 to 255 is a TutorError; no text is returned.
std::string decode(std::string_view aLine, int codeNbr);

// A noise line of `codeNbr` steps: each step draws r, and when r < 0.1 draws s and adds the
// character s*50+66 (a noise character, 66 to 116), then draws t and adds t*137+118 (118 to
// 255), both rounded to the nearest whole number, halfway to even.
std::string makeCodeLine(Host& host, int codeNbr);

// Codes the query file `outputFolder`\query.txt into `outputFolder`\queri.txt, line by line,
// and sets the run's `codeNumber` to the length of the query file's first line.
//   "assign..." lines    unchanged
//   "query ..." lines    "query" & code(line from its eighth character on)
//   other lines          code(line)
void codeFile(Host& host, Session& session);

}  // namespace qatutor
