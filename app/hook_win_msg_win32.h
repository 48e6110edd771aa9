// `HookWinMsg`: what the client's hidden main window does for other programs while it is
// installed: it puts the tray icon back when the taskbar is re-created ("TaskbarCreated") and
// answers the count queries other programs send with WM_COPYDATA (dwData 3). The window's own
// procedure hands it every message first; every message, those included, then goes on to the
// window's own handling.
#pragma once

#include "base/counter_set.h"

#include <windows.h>

#include <functional>
#include <string>

// What the window procedure reads at each query.
class QueryDataProvider {
  public:
    virtual ~QueryDataProvider() = default;
    virtual const CounterSet& Counters() const = 0;
    // The setting `Login` as code page 1252 bytes, empty when it is not set.
    virtual std::string Nickname() = 0;
};

class HookWinMsg {
  public:
    // `ajout_icone` adds the tray icon again (the tray's AjoutIcone).
    HookWinMsg(QueryDataProvider& data, std::function<void()> ajout_icone);
    HookWinMsg(const HookWinMsg&) = delete;
    HookWinMsg& operator=(const HookWinMsg&) = delete;

    // From now on the messages of `window` are served; true (already active included).
    bool Install(HWND window);
    // No message is served any more.
    void Remove();
    bool active() const { return HookActif; }

    // Called by the window procedure of the installed window for each of its messages,
    // before its own handling.
    void OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

    // How long a reply may wait for a requester's window before it is given up, so a hung
    // requester cannot freeze the client.
    static constexpr UINT kReplyTimeoutMs = 2000;

  private:
    void HandleCopyData(const COPYDATASTRUCT& data);

    QueryDataProvider& data_;
    std::function<void()> ajout_icone_;
    UINT taskbar_created_ = 0;
    HWND FenetreHook = nullptr;
    bool HookActif = false;
};
