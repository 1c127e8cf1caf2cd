// The parts of platform.h that the C++ library carries out alike on Linux and Windows.
#include "inbox/platform.h"

#include <mutex>
#include <utility>

namespace qatutor::inbox {
namespace {

std::mutex clockMutex;
std::function<std::time_t()> replacedClock;

}  // namespace

std::time_t currentTime() {
    const std::lock_guard<std::mutex> hold(clockMutex);
    return replacedClock ? replacedClock() : std::time(nullptr);
}

void replaceClock(std::function<std::time_t()> clock) {
    const std::lock_guard<std::mutex> hold(clockMutex);
    replacedClock = std::move(clock);
}

}  // namespace qatutor::inbox
