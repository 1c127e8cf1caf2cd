#include "inbox/html.h"

#include "base/cp1252.h"

namespace qatutor::inbox {
namespace {

// No script runs in a page, whatever a response holds: the page allows none, and loads nothing
// from anywhere. Narrow windows (1000 px and less) get tighter tables that scroll inside their
// own box rather than off the page. In print, on A4, a heading stays with what follows it, rows
// are not split, table heads repeat on each page, the nav is left out and nothing is shaded: the
// grid's marks (✓, 7/13, –) read alike in black and white.
constexpr std::string_view head = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";

constexpr std::string_view style = R"(</title>
<style>
body { font: 15px/1.45 "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #1d2430; margin: 0 auto; max-width: 72rem; padding: 1rem 1.5rem 3rem; }
h1 { font-size: 1.6rem; margin: .5rem 0 .2rem; }
h2 { font-size: 1.25rem; margin: 2rem 0 .6rem; border-bottom: 2px solid #c9d3e0; padding-bottom: .2rem; }
h3 { font-size: 1.05rem; margin: 1.2rem 0 .4rem; }
a { color: #1c5fb0; }
.lead { color: #4a5565; margin: 0 0 1rem; }
nav { margin: .6rem 0 1rem; }
.scroll { overflow-x: auto; }
table { border-collapse: collapse; width: 100%; margin: .4rem 0 1rem; font-size: .92rem; }
th, td { border: 1px solid #c9d3e0; padding: .3rem .45rem; text-align: left; vertical-align: top; }
th { background: #eef2f7; hyphens: none; }
td.num { text-align: right; white-space: nowrap; }
td.missing { min-width: 7rem; }
.date { white-space: nowrap; }
.problems li { margin: .15rem 0; }
.identity { font-size: .8rem; color: #5a6473; overflow-wrap: anywhere; }
.flag.doubt { display: block; width: fit-content; margin: .2rem 0 0; }
.quiet { color: #5a6473; font-size: .9rem; }
.problems .name, .quiet .name, .file { font-family: "DejaVu Sans Mono", monospace; font-size: .88em; overflow-wrap: anywhere; }
.ok { color: #276738; }
.flag { display: inline-block; background: #fde8d4; color: #8a3b00; border: 1px solid #f0b27a; border-radius: 3px; padding: 0 .3rem; font-size: .82rem; margin-left: .3rem; }
td.num .flag { display: block; width: fit-content; max-width: 9rem; margin: .2rem 0 0 auto; white-space: normal; text-align: left; }
.bars rect.bar { fill: #4f7fc2; }
.bars rect.odd { fill: #c2874f; }
.bars text { font-size: 9px; fill: #333; text-anchor: middle; }
.piece { margin: 1rem 0 1.4rem; }
.bank { margin: .2rem 0 .5rem; padding: .4rem .7rem; background: #f4f6f9; border-left: 4px solid #9aaac0; white-space: pre-wrap; color: #3a4452; }
.response, .note { margin: .4rem 0 .7rem 1.2rem; break-inside: avoid; }
.meta { font-size: .85rem; color: #5a6473; margin: 0 0 .15rem; }
.text { white-space: pre-wrap; overflow-wrap: anywhere; border: 1px solid #d6dde7; border-radius: 3px; padding: .4rem .6rem; background: #fff; }
.note { border-left: 4px solid #d9b650; padding-left: .6rem; }
.note .text { background: #fffbea; border-color: #eadb9e; }
.rating { font-weight: bold; }
.figures { color: #3a4452; }
.excerpt { font-size: .85rem; }
table.grid { width: auto; }
table.grid th.a, table.grid td { text-align: center; white-space: nowrap; }
table.grid td.student { text-align: left; white-space: normal; min-width: 8rem; }
table.grid td.student .flag { max-width: 16rem; white-space: normal; }
table.grid td.num { text-align: right; }
table.grid td.p { background: #fdf0d5; }
table.grid td.n { color: #6b7585; }
.also { font-size: .8rem; }
tr.apart th { background: #f4f6f9; }
.legend { font-size: .9rem; }
ol.ranked li { margin: .1rem 0; }
@media (max-width: 1000px) {
  body { padding: .6rem .7rem 2rem; }
  table { font-size: .8rem; }
  th { font-size: .72rem; hyphens: manual; }
  th, td { padding: .15rem .2rem; }
  td.missing { min-width: 4rem; }
  td.num .flag { max-width: 6rem; }
}
@page { size: A4; margin: 14mm 12mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; color: #000; }
  nav { display: none; }
  .scroll { overflow: visible; }
  h1, h2, h3 { break-after: avoid; page-break-after: avoid; }
  tr, .bank, li { break-inside: avoid; page-break-inside: avoid; }
  thead { display: table-header-group; }
  th, tr.apart th, .bank, .text, .note .text { background: none; }
  th, td { border-color: #777; }
  .flag { background: none; color: #000; border-color: #000; }
  .lead, .quiet, .meta, .identity, table.grid td.n { color: #000; }
  table.grid { font-size: 8pt; }
  .quiet, .legend { font-size: 9pt; }
  .legend { break-after: avoid; page-break-after: avoid; }
  table.grid .identity, table.grid .flag, table.grid .also { font-size: 7pt; }
  table.grid th, table.grid td { padding: .05rem .2rem; }
  table.grid td.p { background: none; font-weight: bold; }
  section.student + section.student { break-before: page; }
  a { color: inherit; text-decoration: none; }
}
</style>
</head>
<body>
)";

}  // namespace

std::string pageStart(std::string_view title) {
    return std::string(head) + htmlEscaped(title) + std::string(style);
}

std::string htmlEscaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&#39;"; continue;
        case '\n': out += '\n'; continue;
        case '\t': out += '\t'; continue;
        case '\r':
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            out += '\n';
            continue;
        default: break;
        }
        // Control characters show as their pictures; bytes of UTF-8 sequences are all 0x80 and up.
        if (c < 32 || c == 127)
            cp1252::appendUtf8(out, c == 127 ? 0x2421 : 0x2400 + c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string htmlText(std::string_view bytes) { return htmlEscaped(cp1252::toUtf8(bytes)); }

std::string whenHtml(std::string_view when) {
    const std::size_t space = when.find(' ');
    return "<span class=\"date\">" + htmlEscaped(when.substr(0, space)) + "</span>" +
           (space == std::string_view::npos ? "" : htmlEscaped(when.substr(space)));
}

std::string studentName(const std::string& student) {
    return student.empty() ? "(no name)" : htmlEscaped(student);
}

std::string meanText(long long sum, long long n) {
    // Tenths from whole numbers, so that no binary fraction (2.25 is exact, 0.15 is not) moves
    // a half to either side: tenths = round(10 * sum / n) = floor((20 * sum + n) / (2 * n)).
    const bool negative = (sum < 0) != (n < 0);
    const long long size = sum < 0 ? -sum : sum, count = n < 0 ? -n : n;
    const long long tenths = (20 * size + count) / (2 * count);
    return std::string(negative && tenths ? "-" : "") + std::to_string(tenths / 10) + "." +
           std::to_string(tenths % 10);
}

std::string count(std::size_t n, std::string_view what) {
    return std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
}

}  // namespace qatutor::inbox
