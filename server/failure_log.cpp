#include "server/failure_log.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace trekhold {

void LogFailure(const char* where, std::exception_ptr error) noexcept {
    const char* what = "an exception that is not a std::exception";
    std::string text;
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        try {
            text = e.what();
            what = text.c_str();
        } catch (...) {
            what = "an exception whose text could not be kept";
        }
    } catch (...) {
    }
    // One call, so that lines of concurrent requests do not mix.
    std::fprintf(stderr, "trekhold-server: %s: %s\n", where, what);
}

} // namespace trekhold
