// decode on arbitrary coded lines and coding numbers.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/errors.h"
#include "codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int codeNbr = static_cast<int>(data[0]) - 64;
    const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const std::string plain = qatutor::decode(line, codeNbr);
        if (plain.size() > line.size()) std::abort();
        if (qatutor::code(line, codeNbr) != line) std::abort();
    } catch (const qatutor::TutorError&) {
        // A code outside 0 to 255 is refused.
    }
    return 0;
}
