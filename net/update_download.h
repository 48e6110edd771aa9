// The logic of the update download window `Download`: which file comes next, what each
// socket event and each timer tick does, and every label text. The window carries out its
// decisions (socket, file, timers, drawing) and shows the labels.
#pragma once

#include "net/update_description.h"
#include "net/update_http.h"
#include "net/update_texts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct DownloadLabels {
    std::wstring caption;
    std::wstring recu;           // "Received: ..."
    std::wstring file_size;      // "File size: ..."
    std::wstring total_download; // "Total download: ..."
    std::wstring vitesse;        // "Speed: .../s"
    std::wstring restant;        // "Time left: ..."
    std::wstring status;         // why the download stopped, empty while it runs
};

class UpdateDownload {
  public:
    // Ticks of `Timer_Seconde` without a byte after which the download stops.
    static constexpr int kIdleLimit = 30;

    // `Downloadage`: the labels start with the total size text.
    UpdateDownload(UpdateDescription description, UpdateServer server, NumberSeparators separators);

    struct FileToFetch {
        size_t index = 0; // 1-based
        std::string name;
        std::string remote_path; // "/" + name
    };
    // Starts the next file: counters reset, caption "... File i/n". Empty once every file has
    // arrived whole (the download is then finished).
    std::optional<FileToFetch> NextFile();

    // Connected: the request to send for the current file.
    std::string Request() const;

    struct Arrival {
        std::string_view body; // to write into the local file at `offset`
        uint64_t offset = 0;
        bool stop = false; // the response is refused: stop (the status label says why)
    };
    // A chunk arrived; `now` is the seconds since midnight. The body view lives until the next
    // call.
    Arrival OnData(std::string_view chunk, uint32_t now);
    // The server closed the connection. True when that stops the download (the file had not
    // arrived whole).
    bool OnClosed();

    // `Timer_Percent`: the labels are updated; the percentage to draw when it changed.
    std::optional<int> OnPercentTick();

    enum class SecondAction { None, NextFile, Stop };
    // `Timer_Seconde`; `now` is the seconds since midnight.
    SecondAction OnSecondTick(uint32_t now);

    // Stops the download for a reason the window found (a file that cannot be written).
    void Fail(const std::wstring& line);

    const DownloadLabels& labels() const { return labels_; }
    bool stopped() const { return stopped_; }
    size_t file_count() const { return description_.names.size(); }
    size_t current_index() const { return index_; }
    const UpdateServer& server() const { return server_; }

  private:
    std::wstring Size(uint64_t bytes) const { return UpdateSizeText(bytes, separators_); }
    uint32_t ElapsedSeconds(uint32_t now) const;
    void Stop(const std::wstring& line);

    UpdateDescription description_;
    UpdateServer server_;
    NumberSeparators separators_;
    std::wstring total_text_;
    DownloadLabels labels_;

    size_t index_ = 0; // 0 before the first file
    UpdateResponseReader response_;
    uint32_t start_time_ = 0;
    int last_percent_ = -1;
    uint64_t bytes_all_files_ = 0;
    int idle_ticks_ = 0;
    bool stopped_ = false;
};
