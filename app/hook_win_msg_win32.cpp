#include "app/hook_win_msg_win32.h"

#include "net/query_protocol.h"
#include "base/win32/window_base.h"

#include <cstring>

namespace {

// The window property that leads the shared window procedure to its HookWinMsg.
constexpr wchar_t kHookProperty[] = L"TheWandrel.HookWinMsg";

} // namespace

HookWinMsg::HookWinMsg(QueryDataProvider& data, std::function<void()> ajout_icone)
    : data_(data), ajout_icone_(std::move(ajout_icone)) {}

HookWinMsg::~HookWinMsg() {
    Remove();
}

bool HookWinMsg::Install(HWND window) {
    if (HookActif)
        return true;
    taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (!::SetPropW(window, kHookProperty, this))
        return false;
    FenetreHook = window;
    AncienneProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWinMsg::WindowProc)));
    HookActif = AncienneProc != nullptr;
    if (!HookActif)
        ::RemovePropW(window, kHookProperty);
    return HookActif;
}

void HookWinMsg::Remove() {
    if (!HookActif)
        return;
    ::SetWindowLongPtrW(FenetreHook, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AncienneProc));
    ::RemovePropW(FenetreHook, kHookProperty);
    HookActif = false;
}

LRESULT CALLBACK HookWinMsg::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<HookWinMsg*>(::GetPropW(hwnd, kHookProperty));
    if (!self)
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    // Kept before the handlers run: a handler may remove the subclass.
    const WNDPROC previous = self->AncienneProc;
    if (message == self->taskbar_created_ && self->taskbar_created_ != 0) {
        if (self->ajout_icone_)
            win32::RunGuarded(self->ajout_icone_);
    } else if (message == WM_COPYDATA && lparam != 0) {
        win32::RunGuarded(
            [&] { self->HandleCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lparam)); });
    }
    return ::CallWindowProcW(previous, hwnd, message, wparam, lparam);
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
