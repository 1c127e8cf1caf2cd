// What the inbox's tests read: the fixture bank's course, and the send file of its golden
// session with its noise line in place; and what a writer of the report writes.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace qatutor::inbox {
class CourseIndex;
}

namespace qatutor::testing {

const inbox::CourseIndex& fixtureCourse();
std::string goldenSend();

// What `write` writes to a file, read back (the report's writers take a FILE*).
std::string writtenBy(const std::function<void(std::FILE*)>& write);

}  // namespace qatutor::testing
