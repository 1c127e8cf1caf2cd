#include "inbox_fixtures.h"

#include "inbox/course_index.h"
#include "support/fixture_bank.h"
#include "support/temp_folder.h"

namespace qatutor::testing {

const inbox::CourseIndex& fixtureCourse() {
    static const inbox::CourseIndex course(fixtureBankLines());
    return course;
}

std::string goldenSend() {
    std::string bytes = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/session.send.txt");
    return bytes.replace(bytes.find("<noise>"), 7, "\xC8\x96\x63\xE6\xB4\x78\xFA\xC9\xBE\xAA");
}

std::string writtenBy(const std::function<void(std::FILE*)>& write) {
    TempFolder folder;
    const std::string path = folder.file("written");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    write(out);
    std::fclose(out);
    return readFile(path);
}

}  // namespace qatutor::testing
