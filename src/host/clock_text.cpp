#include "host/clock_text.h"

namespace qatutor {
namespace {

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string fourDigits(int value) { return twoDigits(value / 100) + twoDigits(value % 100); }

}  // namespace

std::string dateText(const std::tm& time) {
    return twoDigits(time.tm_mon + 1) + "-" + twoDigits(time.tm_mday) + "-" +
           fourDigits(time.tm_year + 1900);
}

std::string timeText(const std::tm& time) {
    return twoDigits(time.tm_hour) + ":" + twoDigits(time.tm_min) + ":" + twoDigits(time.tm_sec);
}

}  // namespace qatutor
