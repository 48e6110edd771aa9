#include "app/hook_win_msg_win32.h"

#include "net/query_protocol.h"
#include "base/win32/window_base.h"

#include <cstring>

HookWinMsg::HookWinMsg(QueryDataProvider& data, std::function<void()> ajout_icone)
    : data_(data), ajout_icone_(std::move(ajout_icone)) {}

bool HookWinMsg::Install(HWND window) {
    if (HookActif)
        return true;
    taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    FenetreHook = window;
    HookActif = true;
    return true;
}

void HookWinMsg::Remove() {
    HookActif = false;
}

void HookWinMsg::OnMessage(UINT message, WPARAM, LPARAM lparam) {
    if (!HookActif)
        return;
    // A failure goes to the program's failure action; the message still goes on.
    if (message == taskbar_created_ && taskbar_created_ != 0) {
        if (ajout_icone_)
            win32::RunGuarded(ajout_icone_);
    } else if (message == WM_COPYDATA && lparam != 0) {
        win32::RunGuarded(
            [&] { HandleCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lparam)); });
    }
}

void HookWinMsg::HandleCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != query::kCopyDataTag)
        return;
    const auto request = query::ParseRequest(data.lpData, data.cbData);
    if (!request)
        return;
    // Window handles are 32-bit values, sign-extended in a 64-bit process.
    const HWND requester = reinterpret_cast<HWND>(static_cast<intptr_t>(request->reply_window));
    // The counts go to the one window that asked, never to every window.
    if (requester == HWND_BROADCAST || !::IsWindow(requester))
        return;
    const std::string reply = query::BuildReply(data_.Counters(), data_.Nickname(), request->mode);
    char buffer[query::kBufferSize] = {};
    std::memcpy(buffer, reply.data(), reply.size()); // BuildReply keeps it below the buffer
    COPYDATASTRUCT answer{};
    answer.dwData = query::kCopyDataTag;
    answer.cbData = static_cast<DWORD>(reply.size() + 1);
    answer.lpData = buffer;
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(requester, WM_COPYDATA, reinterpret_cast<WPARAM>(FenetreHook),
                          reinterpret_cast<LPARAM>(&answer), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kReplyTimeoutMs, &ignored);
}
