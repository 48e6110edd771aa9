// The configuration dialog `Configuration`: six pages chosen by six tab buttons. Every control
// writes its setting when it changes and applies it to the running client at once through
// ConfigurationHost; there is no OK step, and closing keeps everything.
#pragma once

#include "base/counter_set.h"
#include "base/user_messages.h"
#include "base/win32/dialog_base.h"
#include "net/exchange.h"
#include "resources/dialog_resources.h"
#include "storage/settings_readers.h"
#include "ui/configuration_rules.h"
#include "ui/inputs_labels.h"
#include "ui/window_effects_win32.h"

#include <cstdint>
#include <optional>
#include <string>

namespace win32 {

// What the dialog reads from and changes in the running client (the main window).
class ConfigurationHost {
  public:
    virtual ~ConfigurationHost() = default;
    virtual ExchangeServices Services() = 0;
    virtual CounterSet& Counts() = 0;
    virtual UserMessages& Messages() = 0;
    virtual std::wstring ProgramFolder() = 0;
    virtual std::wstring LastLog() = 0;
    // The project website (the server's address) in the browser.
    virtual void OpenWebsite() = 0;

    // `Autos`/`AutosKm` (with `TimerASKm` running exactly while `AutosKm`), `Hautos`, `Kautos`.
    virtual AutoSendState AutoSend() = 0;
    virtual void SetAutoSend(AutoSendState state) = 0;
    virtual void SetHautos(uint8_t hour) = 0;
    virtual void SetKautos(uint8_t km) = 0;
    virtual bool MoreClics() = 0;
    virtual void SetMoreClics(bool on) = 0;
    // `Global_Unite_KM`; the display is redrawn when open.
    virtual bool MetricUnits() const = 0;
    virtual void SetMetricUnits(bool metric) = 0;
    // `TransparentIcon` changed: the tray icon is redrawn when it does not follow the
    // activity.
    virtual void TransparentIconChanged() = 0;
    // The language changed: the tray menu's captions, and the display's texts.
    virtual void LanguageChanged() = 0;

    // The distance display.
    virtual DisplayFlags& Flags() = 0;
    virtual bool DisplayOpen() = 0;
    virtual void DisplayLinesChanged() = 0; // a display check box: redrawn, texts rebuilt
    virtual void DisplaySizeChanged() = 0;
    virtual void SetDisplayOnTop(bool on_top) = 0;
    virtual void SetDisplayOpacity(uint8_t opacity) = 0;
    // The display's current colours (when open), and new ones applied to it.
    virtual std::optional<COLORREF> DisplayColour(bool background) = 0;
    virtual void SetDisplayColour(bool background, COLORREF colour) = 0;

    // The Inputs page shown (`Config_ouverte`, `ConfigNeedRefresh`, the refresh timer, the
    // uptime texts at once) or hidden; `labels` is null when hidden.
    virtual void InputsPageShown(display::InputsLabels* labels) = 0;
    // The dialog is gone: the refresh timer runs on only for the display, and the mouse
    // device is acquired afresh when counting is on (ReacquireMouseAfterClosing).
    virtual void ConfigurationClosed() = 0;
};

class ConfigurationWindow : public DialogBase, private display::InputsLabels {
  public:
    enum class Page { Inputs, Config, Display, Account, Logs, About };
    static constexpr UINT_PTR kFadeInTimer = 1;
    // As the template's caption; the tests find the dialog by it.
    static constexpr const wchar_t* kTitle = L"TheWandrel 4.2 - Settings";

    explicit ConfigurationWindow(ConfigurationHost& host) : host_(host) {}
    ~ConfigurationWindow() override;

    // `Settings_Click`: loads the dialog with its fade-in, or brings the open one to the
    // front; then shows `page` when given (`BAccount_Click` from a sending).
    bool Show(std::optional<Page> page = std::nullopt);

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDialogGone() override;

  private:
    void SetLabel(display::InputsLabel label, const std::wstring& text) override;

    void InitDialog();
    void AfficheParametres();
    void ShowPage(Page page);
    void OnCommand(int id, int code);

    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    int NumberOf(int id) const;
    void Step(StepLabel label, int label_id, bool up);
    void AutoSendClicked(AutoSendBox box);
    void CheckBoxClicked(int id);
    void DisplayBoxClicked();
    void ColourClicked(bool background);
    void UseProxyClicked();
    void DefineProxyClicked();
    void LanguageChosen();
    void SaveAccountClicked();
    void CancelAccountClicked();
    void FillLogsPage();
    void ClearLogsClicked();
    void OpenLogsClicked();

    ConfigurationHost& host_;
    Page page_ = Page::Inputs;
    bool busy_ = false; // the dialog fills the language list
    FadeIn fade_;
};

} // namespace win32
