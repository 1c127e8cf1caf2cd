#include "window/text_conversion.h"

#include <QList>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/cp1252.h"

namespace qatutor {
namespace {

#if defined(__SSE2__)
// Copies the characters from `in` on that stand for themselves as bytes (Latin-1 other than the
// C1 controls and the line feed), eight at a time, as long as all eight do and at most `count`;
// returns how many it copied. A record can be megabytes, nearly all of them such characters.
qsizetype copyPlainCharacters(const char16_t* in, qsizetype count, char* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i highByte = _mm_set1_epi16(static_cast<short>(0xFF00));
    const __m128i c1Bits = _mm_set1_epi16(static_cast<short>(0xFFE0));
    const __m128i c1 = _mm_set1_epi16(0x0080);
    const __m128i lineFeed = _mm_set1_epi16(0x000A);
    qsizetype i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i latin1 = _mm_cmpeq_epi16(_mm_and_si128(v, highByte), zero);
        const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(v, c1Bits), c1),
                                             _mm_cmpeq_epi16(v, lineFeed));
        if (_mm_movemask_epi8(_mm_andnot_si128(special, latin1)) != 0xFFFF) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
    }
    return i;
}
#else
// Whether the four characters at `p` are ASCII other than the line feed, which stand for
// themselves in every conversion.
bool plainAsciiQuad(const char16_t* p) {
    std::uint64_t quad;
    std::memcpy(&quad, p, sizeof quad);
    if (quad & 0xFF80FF80FF80FF80ull) return false;
    const std::uint64_t x = quad ^ 0x000A000A000A000Aull;  // a zero lane where a line feed is
    return ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) == 0;
}

// Copies the characters from `in` on that stand for themselves as bytes, four at a time, as
// long as all four are plain ASCII and at most `count`; returns how many it copied.
qsizetype copyPlainCharacters(const char16_t* in, qsizetype count, char* out) {
    qsizetype i = 0;
    for (; i + 4 <= count && plainAsciiQuad(in + i); i += 4)
        for (int k = 0; k < 4; ++k) out[i + k] = static_cast<char>(in[i + k]);
    return i;
}
#endif

std::string toBytes(const QString& text, bool lineBreaks) {
    const auto* const in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    auto isLineBreak = [lineBreaks](char16_t c) {
        return lineBreaks && (c == u'\n' || c == 0x2029 || c == 0x2028);
    };
    // A byte per character, two per line break: sized with room for some line breaks, grown
    // only when there are more, since a record can be megabytes.
    std::string bytes(static_cast<std::size_t>(size + size / 16 + 16), '\0');
    char* out = bytes.data();
    for (qsizetype i = 0; i < size;) {
        const qsizetype plain = copyPlainCharacters(in + i, size - i, out);
        out += plain;
        i += plain;
        if (i == size) break;
        const char16_t c = in[i++];
        if ((c < 0x80 && c != u'\n') || (c >= 0xA0 && c <= 0xFF)) {  // Latin-1 stands for itself
            *out++ = static_cast<char>(c);
        } else if (isLineBreak(c)) {
            // Room for this line break and one byte for each character after it.
            const auto written = static_cast<std::size_t>(out - bytes.data());
            if (bytes.size() - written < 2 + static_cast<std::size_t>(size - i)) {
                bytes.resize(bytes.size() + bytes.size() / 2 + 2);
                out = bytes.data() + written;
            }
            *out++ = '\r';
            *out++ = '\n';
        } else {
            char32_t codePoint = c;
            if (QChar::isHighSurrogate(c) && i < size && QChar::isLowSurrogate(in[i]))
                codePoint = QChar::surrogateToUcs4(c, in[i++]);
            if (const auto byte = cp1252::fromCodePoint(codePoint))
                *out++ = static_cast<char>(*byte);
        }
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

}  // namespace

QString fromBytes(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char b : bytes)
        text += QChar(static_cast<char16_t>(cp1252::toCodePoint(static_cast<unsigned char>(b))));
    return text;
}

QString toDisplayText(const std::string& bytes) {
    // Written straight into a buffer of the final size at most: a send file can be megabytes.
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            *out++ = u'\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            *out++ = static_cast<char16_t>(b < 0x80 ? b : cp1252::toCodePoint(b));
        }
    }
    text.truncate(out - start);
    return text;
}

std::string fromDocumentText(const QString& raw) { return toBytes(raw, true); }

std::string fromEntryText(const QString& text) { return toBytes(text, false); }

}  // namespace qatutor
