# Writes a C++ source file that holds the bytes of INPUT and returns them from FUNCTION.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=qatutor::name -P EmbedText.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
string(REGEX REPLACE "^(.*)::([^:]+)$" "\\1" namespace "${FUNCTION}")
string(REGEX REPLACE "^(.*)::([^:]+)$" "\\2" name "${FUNCTION}")
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${INPUT}; do not edit.
#include <string_view>

namespace ${namespace} {
namespace {
const unsigned char embeddedBytes[] = {
${bytes}0x00};
}  // namespace

std::string_view ${name}() {
    return std::string_view(reinterpret_cast<const char*>(embeddedBytes), ${size});
}

}  // namespace ${namespace}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
