#include "server/request_head_guard.h"

namespace trekhold {

void RequestHeadGuard::Restart() {
    bytes_ = lines_ = line_length_ = 0;
    last_ = 0;
    verdict_ = Verdict::kReading;
}

RequestHeadGuard::Verdict RequestHeadGuard::Take(const char* data, size_t size) {
    for (size_t i = 0; i < size && verdict_ == Verdict::kReading; ++i) {
        const char c = data[i];
        if (++bytes_ > max_bytes_) {
            verdict_ = Verdict::kTooLarge;
            break;
        }
        if (c != '\n') {
            ++line_length_;
            last_ = c;
            continue;
        }
        const bool blank = line_length_ == 1 && last_ == '\r';
        ++lines_;
        line_length_ = 0;
        last_ = c;
        if (blank && lines_ > 1)
            verdict_ = Verdict::kComplete;
        else if (lines_ > max_lines_)
            verdict_ = Verdict::kTooLarge;
    }
    return verdict_;
}

} // namespace trekhold
