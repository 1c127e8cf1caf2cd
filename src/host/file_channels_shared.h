// What the POSIX and the Windows file channels share besides the class itself (file_channels.cpp
// holds both): the channel's checks, the words of their messages and the wait for a record's lock.
#pragma once

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "host/host.h"

namespace qatutor::channels {

// Throws the host error for a channel number outside 1 to 5.
void checkNumber(int channel);

// A file is named where the student finds it: by its local path, with one kind of separator,
// never in the program's own form (c:\kavrodel\send_1208Ann_Lee.txt) beside it.
std::string describe(const std::string& displayPath, const std::string& localPath);

// "reading", "writing", "appending": what the channel was opened for, in "Could not open for ...".
const char* modeVerb(FileMode mode);

// The message of a write that gave up on another program's lock, the wait in whole seconds rounded
// up: "Could not write to ...: another program holds a lock on it, and kept it for 5 seconds. ..."
std::string heldLockMessage(const std::string& file, const std::string& holder,
                            std::chrono::milliseconds wait);

std::size_t totalSize(std::span<const std::string_view> pieces);

// One attempt at a record's lock on its file.
enum class LockAttempt { locked, heldByAnother, noLocks };
// How the wait for the lock ended.
enum class LockWait { locked, noLocks, heldTooLong };

// Tries `attempt` until it locks, the file system turns out to have no locks, or another program
// has held the lock for `wait`; in between, a pause of 1 ms that doubles up to 50 ms.
LockWait waitForLock(const std::function<LockAttempt()>& attempt, std::chrono::milliseconds wait);

}  // namespace qatutor::channels
