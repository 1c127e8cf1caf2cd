// Closes file channels when a command leaves, however it leaves, so that no error ever leaves a
// channel open.
#pragma once

#include <initializer_list>
#include <vector>

#include "host/host.h"

namespace qatutor {

class ChannelGuard {
public:
    ChannelGuard(Host& host, std::initializer_list<int> channels)
        : host_(host), channels_(channels) {}
    ~ChannelGuard() {
        for (int channel : channels_) {
            try {
                host_.closeFile(channel);
            } catch (...) {
                // Closing a valid channel does not fail; there is nothing more to undo.
            }
        }
    }
    ChannelGuard(const ChannelGuard&) = delete;
    ChannelGuard& operator=(const ChannelGuard&) = delete;

private:
    Host& host_;
    std::vector<int> channels_;
};

}  // namespace qatutor
