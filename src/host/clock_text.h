// The clock's texts, built from a broken-down local time without the locale's help.
//   dateText({2026-12-07 14:05:09}) -> "12-07-2026"
//   timeText({2026-12-07 14:05:09}) -> "14:05:09"
#pragma once

#include <ctime>
#include <string>

namespace qatutor {

std::string dateText(const std::tm& time);
std::string timeText(const std::tm& time);

}  // namespace qatutor
