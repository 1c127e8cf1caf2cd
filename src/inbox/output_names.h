// The names of what a run writes into its output folder (run_output.h tells where each goes),
// and of what a killed run left there: none of them is ever read back as a student's file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qatutor::inbox {

inline constexpr const char* reportName = "report.html";
inline constexpr const char* csvName = "records.csv";
// The report's detail in the run's folder: a row per student and assignment, and the questions.
inline constexpr const char* overviewName = "overview.html";
inline constexpr const char* questionsName = "questions.html";

// The folder of a run that started at `when` ("20261208-210405"): "report-20261208-210405".
std::string runFolderName(std::string_view when);

// "report-20261208-210405", or with a number when a second run started in the same second:
// "report-20261208-210405-2".
bool isRunFolderName(std::string_view name);

// ".NAME.XXXXXX", the hidden temporary of a run's folder, of report.html or of the records
// table as earlier versions wrote it beside the report: what a killed run left behind.
bool isLeftBehind(std::string_view name);

// A student's page in a run's folder: studentPageName(12) -> "student-12.html".
std::string studentPageName(std::size_t number);
bool isStudentPageName(std::string_view name);

// True for the name of a run's folder, hidden or in place, and of report.html and records.csv.
bool isReportOutput(std::string_view name);

}  // namespace qatutor::inbox
