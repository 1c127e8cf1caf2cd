// expandLineBreaks and remSpaces on arbitrary text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "reader/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string expanded = qatutor::expandLineBreaks(text);
    if (expanded.find("{}") != std::string::npos) std::abort();
    if (expanded.size() != text.size()) std::abort();  // each pair becomes two bytes, CR LF

    const std::string removed = qatutor::remSpaces(text);
    if (removed.find_first_of(" -") != std::string::npos) std::abort();
    const auto dropped = static_cast<std::size_t>(std::count(text.begin(), text.end(), ' ') +
                                                  std::count(text.begin(), text.end(), '-'));
    if (removed.size() + dropped != text.size()) std::abort();
    return 0;
}
