// Failures the server answers with a failure word (or a status 500) are first written to
// stderr with their cause, so that whoever runs the server can see why.
#pragma once

#include <exception>

namespace trekhold {

// "trekhold-server: <where>: <what the exception says>" on stderr, one line. Never throws.
void LogFailure(const char* where, std::exception_ptr error) noexcept;

} // namespace trekhold
