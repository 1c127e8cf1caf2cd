// What the inbox's tests read: the fixture bank's course, and the send file of its golden
// session with its noise line in place.
#pragma once

#include <string>

namespace qatutor::inbox {
class CourseIndex;
}

namespace qatutor::testing {

const inbox::CourseIndex& fixtureCourse();
std::string goldenSend();

}  // namespace qatutor::testing
