// What the inbox's tests read: the fixture bank's course, and the send file of its golden
// session with its noise line in place.
#pragma once

#include <string>

#include "inbox/course_index.h"
#include "support/fixture_bank.h"
#include "support/temp_folder.h"

namespace qatutor::testing {

inline const inbox::CourseIndex& fixtureCourse() {
    static const inbox::CourseIndex course(fixtureBankLines());
    return course;
}

inline std::string goldenSend() {
    std::string bytes = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/session.send.txt");
    return bytes.replace(bytes.find("<noise>"), 7, "\xC8\x96\x63\xE6\xB4\x78\xFA\xC9\xBE\xAA");
}

}  // namespace qatutor::testing
