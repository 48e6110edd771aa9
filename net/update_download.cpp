#include "net/update_download.h"

#include "base/text_encoding.h"

namespace {

constexpr uint32_t kSecondsPerDay = 86400;

} // namespace

UpdateDownload::UpdateDownload(UpdateDescription description, UpdateServer server,
                               NumberSeparators separators)
    : description_(std::move(description)), server_(std::move(server)),
      separators_(std::move(separators)),
      total_text_(WideFromCp1252(description_.total_size_text)) {
    labels_.recu = L"Received: ";
    labels_.file_size = L"File size: ";
    labels_.total_download = L"Total download: " + total_text_;
    labels_.vitesse = L"Speed: ";
    labels_.restant = L"Time left: ";
}

std::optional<UpdateDownload::FileToFetch> UpdateDownload::NextFile() {
    if (stopped_ || index_ >= description_.names.size())
        return std::nullopt;
    ++index_;
    response_ = UpdateResponseReader();
    start_time_ = 0;
    last_percent_ = -1;
    idle_ticks_ = 0;
    labels_.caption = L"TheWandrel Update - Downloading File " + std::to_wstring(index_) + L"/" +
                      std::to_wstring(description_.names.size());
    FileToFetch file;
    file.index = index_;
    file.name = description_.names[index_ - 1];
    file.remote_path = "/" + file.name;
    return file;
}

std::string UpdateDownload::Request() const {
    return UpdateRequest("/" + description_.names[index_ - 1], server_.host_line);
}

UpdateDownload::Arrival UpdateDownload::OnData(std::string_view chunk, uint32_t now) {
    Arrival arrival;
    if (stopped_ || index_ == 0)
        return arrival;
    idle_ticks_ = 0;
    arrival.offset = response_.body_received();
    const UpdateResponseReader::Step step = response_.Feed(chunk);
    if (step.fault != ResponseFault::None) {
        Stop(ResponseFaultText(step.fault, response_.status()));
        arrival.stop = true;
        return arrival;
    }
    if (step.header_completed) {
        labels_.file_size = L"File size: " + Size(response_.announced_length());
        start_time_ = now;
    }
    arrival.body = step.body;
    bytes_all_files_ += step.body.size();
    return arrival;
}

bool UpdateDownload::OnClosed() {
    if (stopped_ || index_ == 0 || response_.complete())
        return false;
    Stop(response_.header_parsed()
             ? L"Download stopped: the connection closed before the whole file arrived."
             : L"Download stopped: the server closed the connection without an answer.");
    return true;
}

std::optional<int> UpdateDownload::OnPercentTick() {
    if (stopped_ || !response_.header_parsed())
        return std::nullopt;
    const uint64_t written = response_.body_received();
    const uint64_t length = response_.announced_length();
    labels_.recu = L"Received: " + Size(written);
    labels_.total_download = L"Total download: " + Size(bytes_all_files_) + L" / " + total_text_;
    // written / length * 100 rounded half up (the length is at least 1 once parsed).
    const int percent = static_cast<int>((written * 200 + length) / (2 * length));
    if (percent == last_percent_)
        return std::nullopt;
    last_percent_ = percent;
    return percent;
}

uint32_t UpdateDownload::ElapsedSeconds(uint32_t now) const {
    // Midnight passed since the start when the clock went back.
    return now >= start_time_ ? now - start_time_ : now + kSecondsPerDay - start_time_;
}

UpdateDownload::SecondAction UpdateDownload::OnSecondTick(uint32_t now) {
    if (stopped_)
        return SecondAction::None;
    if (response_.header_parsed()) {
        const uint64_t written = response_.body_received();
        const uint32_t elapsed = ElapsedSeconds(now);
        // The average over the current file, in whole thousands of bytes per second.
        const uint64_t k = elapsed == 0 ? 0 : written / elapsed / 1000;
        if (response_.complete()) {
            labels_.recu = L"Received: " + Size(written);
            labels_.total_download = L"Total download: " + total_text_ + L" / " + total_text_;
            labels_.vitesse = L"Speed: " + Size(k * 1000) + L"/s";
            return SecondAction::NextFile;
        }
        if (k != 0) {
            labels_.vitesse = L"Speed: " + Size(k * 1000) + L"/s";
            const uint64_t left = response_.announced_length() - written;
            labels_.restant = L"Time left: " + UpdateDurationText(left / 1024 / k);
        }
    }
    if (++idle_ticks_ > kIdleLimit) {
        Stop(L"Download stopped: nothing arrived from the server for 30 seconds.");
        return SecondAction::Stop;
    }
    return SecondAction::None;
}

void UpdateDownload::Fail(const std::wstring& line) {
    Stop(line);
}

void UpdateDownload::Stop(const std::wstring& line) {
    stopped_ = true;
    labels_.status = line;
}
