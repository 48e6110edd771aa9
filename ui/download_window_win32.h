// The update download window `Download`: a dialog from the program's resources that fetches
// the files of an update description from the server's host, shows the progress, and hands
// the setup program's path back once every file has arrived whole.
#pragma once

#include "base/win32/dialog_base.h"
#include "base/win32/unique_handle.h"
#include "net/update_download.h"
#include "net/win32/update_socket.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace win32 {

struct DownloadSetup {
    std::string description; // the "Errversion" answer from its 12th character on
    std::string server_url;  // the `Server` setting: host and port of the download
    NumberSeparators separators;
    std::wstring folder;   // where the files go, ending with "\"
    UINT second_ms = 1000; // Timer_Seconde; a test build shortens it
    // Every file arrived whole: the path of the setup program to start. Called once, from
    // a timer tick of this window: the receiver must not destroy the window before it returns.
    std::function<void(const std::wstring& setup_program)> finished;
    // The window is gone (closed by the user, or destroyed). Same rule.
    std::function<void()> closed;
};

class DownloadWindow : public DialogBase {
  public:
    static constexpr UINT_PTR kTimer_Seconde = 1;
    static constexpr UINT_PTR kTimer_Percent = 2;
    static constexpr UINT kTimer_PercentInterval = 10; // ms

    explicit DownloadWindow(DownloadSetup setup);
    ~DownloadWindow() override;

    // Loads and shows the window. False (logged) when it cannot be created.
    bool Create();
    // Starts the download of the description. A damaged description or server address stops
    // before anything is fetched, with the reason in the window.
    void Downloadage();
    // Both timers stopped, the connection closed.
    void Ferme_Connect();

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDialogGone() override;

  private:

    void StartNextFile();
    void OnSocket(WPARAM wparam, LPARAM lparam);
    void OnArrival(const std::string& chunk);
    void Timer_Percent_Timer();
    void Timer_Seconde_Timer();
    void Stop(const std::wstring& line);
    void ShowLabels();
    void SetLabel(int id, const std::wstring& text);
    void DrawBar(const DRAWITEMSTRUCT& item);

    DownloadSetup setup_;
    std::optional<UpdateDownload> download_;
    UpdateSocket socket_;
    UniqueHandleKernel file_; // the current file, open from its header on
    std::wstring file_path_;
    int percent_ = -1; // drawn on the bar; -1: empty bar
    bool finished_reported_ = false;
};

} // namespace win32
