// The numeric value of a text, and a number written as text, on arbitrary input.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/errors.h"
#include "base/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const double value = qatutor::numericValue(text);
        if (!std::isfinite(value)) std::abort();
        const std::string written = qatutor::numberText(value);
        // What is written reads back as the same value, to 15 significant digits.
        const double again = qatutor::numericValue(written);
        if (std::fabs(again - value) > std::fabs(value) * 1e-14) std::abort();
        const std::string item = qatutor::numberItem(value);
        if (item.back() != ' ') std::abort();
        qatutor::padNumber(std::string(text));
    } catch (const qatutor::TutorError&) {
        // An overflow is the one failure a number may have.
    }
    return 0;
}
