// Bounds on the head of an HTTP request (request line and header lines), fed with the
// bytes as the parser takes them. The head ends at the first line that is exactly CR LF
// after the request line, as the HTTP library reads it (a line ended by LF alone does not
// end it).
#pragma once

#include <cstddef>

namespace trekhold {

class RequestHeadGuard {
  public:
    enum class Verdict { kReading, kComplete, kTooLarge };

    // `max_lines` counts the request line and the header lines, not the closing blank line.
    RequestHeadGuard(size_t max_bytes, size_t max_lines)
        : max_bytes_(max_bytes), max_lines_(max_lines) {}

    void Restart(); // a new request begins
    // Takes the next bytes handed to the parser; bytes after the head are not counted.
    Verdict Take(const char* data, size_t size);

    Verdict verdict() const { return verdict_; }
    size_t bytes() const { return bytes_; }
    size_t lines() const { return lines_; } // complete lines so far, the request line first

  private:
    size_t max_bytes_, max_lines_;
    size_t bytes_ = 0, lines_ = 0, line_length_ = 0;
    char last_ = 0;
    Verdict verdict_ = Verdict::kReading;
};

} // namespace trekhold
