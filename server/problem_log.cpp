#include "server/problem_log.h"

#include <cstdio>
#include <stdexcept>
#include <mutex>

namespace trekhold {

void LogProblem(const std::string& text) {
    static std::mutex mutex;
    const std::string line = "trekhold-server: " + text + "\n";
    std::lock_guard<std::mutex> lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string ExceptionText(std::exception_ptr error) {
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "an exception of unknown type";
}

} // namespace trekhold
