// A stand-in for the tutor in the test that ends it in the middle of its records: appends records
// of a known shape to one file, each with one write of the file channels, as the tutor's record
// commands do, until it is ended; with "once", one record and no more.
//   record_writer FILE BODY_BYTES [once]
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/file_channels.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string path = argv[1];
    const std::string body(std::strtoul(argv[2], nullptr, 10), 'x');
    const bool once = argc > 3 && std::string_view(argv[3]) == "once";
    qatutor::FileChannels channels;
    do {
        channels.open(1, path, path, qatutor::FileMode::append);
        const std::string_view pieces[] = {"BEGIN\r\n", body, "\r\nEND\r\n"};
        channels.write(1, pieces);
        channels.close(1);
    } while (!once);
    return 0;
}
