// qatutor-bench MEASUREMENT SIDE [MEGABYTES] [RUNS]: runs one measurement in this process, either
// through the tutor (SIDE "qatutor") or through its floor (SIDE "floor"), and prints one line
// "sample NAME MILLISECONDS" per measured run (after one run that warms up; four for
// record-core, whose comment says why). The start-up
// measurement prints "shown" instead; bench/run.sh times it from the launch.
//   qatutor-bench startup qatutor|floor
//   qatutor-bench display-send SIDE MB RUNS     qatutor-bench enter-response SIDE MB RUNS
//   qatutor-bench save-notes SIDE MB RUNS       qatutor-bench next SIDE MB RUNS
//   qatutor-bench load-bank SIDE MB RUNS        qatutor-bench channel-write SIDE MB RUNS
//   qatutor-bench record-core SIDE MB RUNS
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "core_bench.h"
#include "startup_bench.h"
#include "window_bench.h"

namespace {

int usage() {
    std::fputs("usage: qatutor-bench MEASUREMENT qatutor|floor [MEGABYTES] [RUNS]\n", stderr);
    return 64;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace qatutor::bench;
    if (argc < 3) return usage();
    const std::string_view measurement = argv[1];
    const std::string_view side = argv[2];
    if (side != "qatutor" && side != "floor") return usage();
    const bool tutor = side == "qatutor";
    const int megabytes = argc > 3 ? std::stoi(argv[3]) : 1;
    const int runs = argc > 4 ? std::stoi(argv[4]) : 3;
    try {
        if (measurement == "startup") return tutor ? startupQatutor() : startupFloor();
        if (measurement == "display-send") return displaySend(tutor, megabytes, runs);
        if (measurement == "enter-response") return recordCommand(tutor, false, megabytes, runs);
        if (measurement == "save-notes") return recordCommand(tutor, true, megabytes, runs);
        if (measurement == "next") return nextWithFullBox(tutor, megabytes, runs);
        if (measurement == "record-core") return recordCore(tutor, megabytes, runs);
        if (measurement == "load-bank") return loadBank(tutor, megabytes, runs);
        if (measurement == "channel-write") return channelWrite(tutor, megabytes, runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qatutor-bench %s %s: %s\n", argv[1], argv[2], error.what());
        return 1;
    }
    return usage();
}
