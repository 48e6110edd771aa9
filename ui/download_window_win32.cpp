#include "ui/download_window_win32.h"

#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "resources/dialog_resources.h"

#include <algorithm>
#include <utility>

namespace win32 {

namespace {

constexpr wchar_t kDamagedDescription[] =
    L"The update description sent by the server is damaged: nothing was downloaded.";
constexpr wchar_t kNoServerHost[] =
    L"The server address names no host to download from: nothing was downloaded.";

uint32_t SecondsSinceMidnight() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return static_cast<uint32_t>(now.wHour * 3600 + now.wMinute * 60 + now.wSecond);
}

} // namespace

DownloadWindow::DownloadWindow(DownloadSetup setup) : setup_(std::move(setup)) {}

DownloadWindow::~DownloadWindow() {
    Ferme_Connect();
}

bool DownloadWindow::Create() {
    if (!CreateModeless(IDD_DOWNLOAD, nullptr)) {
        LogFailure(L"CreateDialogParamW (Download)", ::GetLastError());
        return false;
    }
    ::ShowWindow(hwnd(), SW_SHOW);
    ::UpdateWindow(hwnd());
    return true;
}

void DownloadWindow::OnDialogGone() {
    Ferme_Connect();
    if (setup_.closed)
        setup_.closed();
}

INT_PTR DownloadWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextW(control(IDC_PICTURE1), L"");
        return TRUE;
    case WM_TIMER:
        if (wparam == kTimer_Percent)
            Timer_Percent_Timer();
        else if (wparam == kTimer_Seconde)
            Timer_Seconde_Timer();
        return TRUE;
    case UpdateSocket::kSocketMessage:
        OnSocket(wparam, lparam);
        return TRUE;
    case WM_DRAWITEM:
        if (wparam == IDC_PICTURE1) {
            DrawBar(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) { // Escape, or the close box
            ::DestroyWindow(hwnd());
            return TRUE;
        }
        break;
    case WM_CLOSE:
        ::DestroyWindow(hwnd());
        return TRUE;
    }
    return FALSE;
}

void DownloadWindow::Downloadage() {
    const ParsedDescription parsed = ParseUpdateDescription(setup_.description);
    const std::optional<UpdateServer> server = UpdateServerOf(setup_.server_url);
    if (!parsed.description || !server) {
        SetLabel(IDC_DOWNLOAD_STATUS, parsed.description ? kNoServerHost : kDamagedDescription);
        return;
    }
    download_.emplace(*parsed.description, *server, setup_.separators);
    ShowLabels();
    StartNextFile();
}

void DownloadWindow::Ferme_Connect() {
    if (hwnd()) {
        ::KillTimer(hwnd(), kTimer_Seconde);
        ::KillTimer(hwnd(), kTimer_Percent);
    }
    socket_.Close();
}

void DownloadWindow::StartNextFile() {
    ::KillTimer(hwnd(), kTimer_Seconde);
    ::KillTimer(hwnd(), kTimer_Percent);
    file_.reset();
    const std::optional<UpdateDownload::FileToFetch> next = download_->NextFile();
    if (!next) {
        Ferme_Connect();
        if (!download_->stopped() && !finished_reported_ && setup_.finished) {
            finished_reported_ = true;
            setup_.finished(setup_.folder + WideFromCp1252(kSetupProgramName));
        }
        return;
    }
    ShowLabels();
    if (!::CreateDirectoryW(setup_.folder.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD error = ::GetLastError();
        LogFailure(L"CreateDirectoryW", error);
        Stop(L"Download stopped: the folder " + setup_.folder + L" cannot be created (" +
             last_error_message(error) + L").");
        return;
    }
    file_path_ = setup_.folder + WideFromCp1252(next->name);
    percent_ = -1;
    ::InvalidateRect(control(IDC_PICTURE1), nullptr, TRUE);
    ::SetWindowTextW(control(IDC_PICTURE1), L"");
    // A failure to connect shows as silence: the idle ticks stop the download.
    socket_.Connect(hwnd(), download_->server());
    ::SetTimer(hwnd(), kTimer_Seconde, setup_.second_ms, nullptr);
    ::SetTimer(hwnd(), kTimer_Percent, kTimer_PercentInterval, nullptr);
}

void DownloadWindow::OnSocket(WPARAM wparam, LPARAM lparam) {
    if (!download_ || download_->stopped())
        return;
    std::string data;
    switch (socket_.OnMessage(wparam, lparam, data)) {
    case UpdateSocket::Event::Connected:
        if (!socket_.Send(download_->Request()))
            socket_.Close();
        break;
    case UpdateSocket::Event::Data:
        OnArrival(data);
        break;
    case UpdateSocket::Event::Closed:
        if (!data.empty())
            OnArrival(data);
        if (!download_->stopped() && download_->OnClosed())
            Stop(download_->labels().status);
        break;
    case UpdateSocket::Event::Failed:
    case UpdateSocket::Event::None:
        break;
    }
}

void DownloadWindow::OnArrival(const std::string& chunk) {
    const UpdateDownload::Arrival arrival = download_->OnData(chunk, SecondsSinceMidnight());
    if (arrival.stop) {
        Stop(download_->labels().status);
        return;
    }
    ShowLabels();
    if (arrival.body.empty())
        return;
    if (!file_) {
        // The file is made once its header is accepted: an answer refused leaves no file.
        file_.reset(::CreateFileW(file_path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) {
            const DWORD error = ::GetLastError();
            LogFailure(L"CreateFileW", error);
            Stop(L"Download stopped: " + file_path_ + L" cannot be written (" +
                 last_error_message(error) + L").");
            return;
        }
    }
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(arrival.offset);
    DWORD written = 0;
    if (!::SetFilePointerEx(file_.get(), offset, nullptr, FILE_BEGIN) ||
        !::WriteFile(file_.get(), arrival.body.data(), static_cast<DWORD>(arrival.body.size()),
                     &written, nullptr) ||
        written != arrival.body.size()) {
        const DWORD error = ::GetLastError();
        LogFailure(L"WriteFile", error);
        Stop(L"Download stopped: " + file_path_ + L" cannot be written (" +
             last_error_message(error) + L").");
    }
}

void DownloadWindow::Timer_Percent_Timer() {
    const std::optional<int> percent = download_ ? download_->OnPercentTick() : std::nullopt;
    ShowLabels();
    if (percent && *percent != percent_) {
        percent_ = *percent;
        const HWND bar = control(IDC_PICTURE1);
        ::SetWindowTextW(bar, (std::to_wstring(percent_) + L"%").c_str());
        ::InvalidateRect(bar, nullptr, FALSE);
    }
}

void DownloadWindow::Timer_Seconde_Timer() {
    if (!download_)
        return;
    const UpdateDownload::SecondAction action = download_->OnSecondTick(SecondsSinceMidnight());
    ShowLabels();
    switch (action) {
    case UpdateDownload::SecondAction::NextFile:
        // The bar shows the whole file even when no 10 ms tick came since its last bytes.
        Timer_Percent_Timer();
        // The file is whole on disk before the next one starts.
        if (file_ && !::FlushFileBuffers(file_.get()))
            LogFailure(L"FlushFileBuffers", ::GetLastError());
        file_.reset();
        StartNextFile();
        break;
    case UpdateDownload::SecondAction::Stop:
        Stop(download_->labels().status);
        break;
    case UpdateDownload::SecondAction::None:
        break;
    }
}

void DownloadWindow::Stop(const std::wstring& line) {
    if (download_ && !download_->stopped())
        download_->Fail(line);
    Ferme_Connect();
    file_.reset();
    SetLabel(IDC_DOWNLOAD_STATUS, line);
}

void DownloadWindow::ShowLabels() {
    if (!download_)
        return;
    const DownloadLabels& labels = download_->labels();
    if (!labels.caption.empty())
        SetLabel(0, labels.caption);
    SetLabel(IDC_RECU, labels.recu);
    SetLabel(IDC_FILE_SIZE, labels.file_size);
    SetLabel(IDC_TOTAL_DOWNLOAD, labels.total_download);
    SetLabel(IDC_VITESSE, labels.vitesse);
    SetLabel(IDC_RESTANT, labels.restant);
    SetLabel(IDC_DOWNLOAD_STATUS, labels.status);
}

// Sets a label (0: the caption) only when its text changes, so the 10 ms tick does not flicker.
void DownloadWindow::SetLabel(int id, const std::wstring& text) {
    const HWND target = id == 0 ? hwnd() : control(id);
    if (!target)
        return;
    wchar_t current[512];
    const int length = ::GetWindowTextW(target, current, 512);
    if (text.compare(0, std::wstring::npos, current, static_cast<size_t>(length)) != 0)
        ::SetWindowTextW(target, text.c_str());
}

// `Picture1`: a bar filled to the percentage, the percentage written in its middle.
void DownloadWindow::DrawBar(const DRAWITEMSTRUCT& item) {
    const RECT whole = item.rcItem;
    ::FillRect(item.hDC, &whole, ::GetSysColorBrush(COLOR_WINDOW));
    ::FrameRect(item.hDC, &whole, ::GetSysColorBrush(COLOR_BTNSHADOW));
    if (percent_ < 0)
        return;
    RECT filled = whole;
    ::InflateRect(&filled, -1, -1);
    filled.right = filled.left + (filled.right - filled.left) * std::min(percent_, 100) / 100;
    ::FillRect(item.hDC, &filled, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    const std::wstring text = std::to_wstring(percent_) + L"%";
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ::GetSysColor(COLOR_WINDOWTEXT));
    RECT text_rect = whole;
    SelectedObject font(item.hDC,
                        reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
    ::DrawTextW(item.hDC, text.c_str(), -1, &text_rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace win32
