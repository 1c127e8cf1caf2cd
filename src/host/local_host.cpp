// The local host's part that is the same on every system: the file channels, the folder reply
// and the generator. posix/local_host.cpp and win32/local_host.cpp place the program's paths and
// make folders.
#include "host/local_host.h"

namespace qatutor {

LocalHost::LocalHost(std::string homeFolder, std::string driveFolder)
    : places_{std::move(homeFolder), std::move(driveFolder), {}} {}

std::string LocalHost::promptFolder(const std::string& text) {
    return takeFolderReply(prompt(text));
}

std::string LocalHost::readLine(int channel) { return channels_.readLine(channel); }
bool LocalHost::atEnd(int channel) { return channels_.atEnd(channel); }
void LocalHost::write(int channel, std::string_view bytes) { channels_.write(channel, bytes); }
void LocalHost::write(int channel, std::span<const std::string_view> pieces) {
    channels_.write(channel, pieces);
}
void LocalHost::closeFile(int channel) { channels_.close(channel); }
void LocalHost::closeAllFiles() { channels_.closeAll(); }

std::vector<std::string> LocalHost::cutOutUnfinishedRecords(const std::string& folder) {
    return channels_.cutOutUnfinishedRecordsIn(realPath(folder));
}

void LocalHost::reseedRandom(float seed) { random_.reseed(seed); }
float LocalHost::nextRandom() { return random_.next(); }

}  // namespace qatutor
