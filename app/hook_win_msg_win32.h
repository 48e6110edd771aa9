// `HookWinMsg`: the subclass of the client's hidden main window. Its window procedure puts
// the tray icon back when the taskbar is re-created ("TaskbarCreated") and answers the count
// queries other programs send with WM_COPYDATA (dwData 3); every message, those included,
// then goes on to the previous window procedure.
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
    ~HookWinMsg(); // removes the subclass if it is still installed
    HookWinMsg(const HookWinMsg&) = delete;
    HookWinMsg& operator=(const HookWinMsg&) = delete;

    // Subclasses `window` unless already active; returns whether the subclass is in place.
    bool Install(HWND window);
    // Puts the previous window procedure back.
    void Remove();
    bool active() const { return HookActif; }

    // How long a reply may wait for a requester's window before it is given up, so a hung
    // requester cannot freeze the client.
    static constexpr UINT kReplyTimeoutMs = 2000;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void HandleCopyData(const COPYDATASTRUCT& data);

    QueryDataProvider& data_;
    std::function<void()> ajout_icone_;
    UINT taskbar_created_ = 0;
    WNDPROC AncienneProc = nullptr;
    HWND FenetreHook = nullptr;
    bool HookActif = false;
};
