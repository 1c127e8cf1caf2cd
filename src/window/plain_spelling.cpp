#include "window/plain_spelling.h"

#include <QStringList>
#include <array>
#include <utility>

#include "base/cp1252.h"

namespace qatutor {
namespace {

// Signs of the course's arithmetic and algebra, spelled as the course writes them.
constexpr std::array<std::pair<char32_t, std::string_view>, 47> signs = {{
    {U'\u2212', "-"},       {U'\u2010', "-"},        {U'\u2011', "-"},     {U'\u2012', "-"},
    {U'\u221A', "sqrt"},    {U'\u2248', "~="},       {U'\u2245', "~="},    {U'\u223C', "~"},
    {U'\u2264', "<="},      {U'\u2A7D', "<="},       {U'\u2265', ">="},    {U'\u2A7E', ">="},
    {U'\u2260', "!="},      {U'\u221E', "infinity"}, {U'\u2192', "->"},    {U'\u2190', "<-"},
    {U'\u2194', "<->"},     {U'\u21D2', "=>"},       {U'\u21D4', "<=>"},   {U'\u22C5', "*"},
    {U'\u2219', "*"},       {U'\u2217', "*"},        {U'\u2215', "/"},     {U'\u2044', "/"},
    {U'\u2032', "'"},       {U'\u2033', "''"},       {U'\u2211', "sum"},   {U'\u220F', "product"},
    {U'\u2206', "Delta"},   {U'\u2126', "Omega"},    {U'\u03D1', "theta"}, {U'\u03D5', "phi"},
    {U'\u03F5', "epsilon"}, {U'\u2070', "^0"},       {U'\u2074', "^4"},    {U'\u2075', "^5"},
    {U'\u2076', "^6"},      {U'\u2077', "^7"},       {U'\u2078', "^8"},    {U'\u2079', "^9"},
    {U'\u207F', "^n"},      {U'\u2009', " "},        {U'\u200A', " "},     {U'\u202F', " "},
    {U'\u2002', " "},       {U'\u2003', " "},        {U'\u2220', "angle"},
}};

// The Greek small letters from alpha (U+03B1) to omega (U+03C9), final sigma among them; each
// capital stands 0x20 below its small letter and is spelled with a capital first letter.
constexpr char32_t firstSmallGreek = U'\u03B1';
constexpr char32_t greekCapitalOffset = 0x20;
constexpr std::array<std::string_view, 25> greekNames = {
    "alpha", "beta",   "gamma",   "delta", "epsilon", "zeta",    "eta",   "theta", "iota",
    "kappa", "lambda", "mu",      "nu",    "xi",      "omicron", "pi",    "rho",   "sigma",
    "sigma", "tau",    "upsilon", "phi",   "chi",     "psi",     "omega",
};
constexpr std::array<std::string_view, 25> greekCapitalNames = {
    "Alpha", "Beta",   "Gamma",   "Delta", "Epsilon", "Zeta",    "Eta",   "Theta", "Iota",
    "Kappa", "Lambda", "Mu",      "Nu",    "Xi",      "Omicron", "Pi",    "Rho",   "",
    "Sigma", "Tau",    "Upsilon", "Phi",   "Chi",     "Psi",     "Omega",
};

bool isLineBreak(char32_t c) { return c == U'\n' || c == 0x2028 || c == 0x2029; }

}  // namespace

std::string_view plainSpelling(char32_t c) {
    if (c >= firstSmallGreek && c < firstSmallGreek + greekNames.size())
        return greekNames[c - firstSmallGreek];
    const char32_t firstCapital = firstSmallGreek - greekCapitalOffset;
    if (c >= firstCapital && c < firstCapital + greekCapitalNames.size())
        return greekCapitalNames[c - firstCapital];
    for (const auto& [sign, spelling] : signs)
        if (sign == c) return spelling;
    return {};
}

SpelledInput spellForRecords(const QString& input) {
    SpelledInput result;
    result.text.reserve(input.size());
    const auto codePoints = input.toUcs4();
    for (char32_t c : codePoints) {
        const QString character = QString::fromUcs4(&c, 1);
        if (isLineBreak(c) || cp1252::fromCodePoint(c)) {
            result.text += character;
        } else if (const std::string_view spelling = plainSpelling(c); !spelling.empty()) {
            result.text += QLatin1String(spelling.data(), static_cast<qsizetype>(spelling.size()));
        } else if (!result.refused.contains(character)) {
            result.refused += character;
        }
    }
    return result;
}

QString refusalNotice(const QString& refused) {
    QStringList names;
    const auto codePoints = refused.toUcs4();
    for (char32_t c : codePoints)
        names
            << QStringLiteral("\"%1\" (U+%2)")
                   .arg(
                       QString::fromUcs4(&c, 1),
                       QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, u'0'));
    const bool one = codePoints.size() == 1;
    return QStringLiteral(
               "Not entered: %1. Your record files can hold only the characters of the "
               "Windows-1252 character set, so %2 would be lost. Write %3 out in words "
               "or letters instead.")
        .arg(names.join(QStringLiteral(", ")),
             one ? QStringLiteral("this character") : QStringLiteral("these characters"),
             one ? QStringLiteral("it") : QStringLiteral("them"));
}

}  // namespace qatutor
