// Problems the server meets while it serves (a database error, a failed sync), one line
// each on standard error with their cause, for the operator or the supervisor's journal.
#pragma once

#include <exception>
#include <string>

namespace trekhold {

void LogProblem(const std::string& text);

// What an exception says (for one of unknown type, that it is one).
std::string ExceptionText(std::exception_ptr error);

} // namespace trekhold
