// The start-up of `Client`, step by step. Every fatal condition shows its box and ends the
// process at once: nothing has been loaded yet, so nothing is saved. An error a message
// handler did not expect, later, is reported the same way once the counts are saved.
#include "app/client_win32.h"

#include "net/query_protocol.h"
#include "app/startup_rules.h"
#include "base/win32/last_error.h"
#include "base/win32/process_start.h"
#include "base/md5.h"
#include "net/server_address.h"
#include "storage/account_key.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "storage/data_folder_win32.h"
#include "ui/message_boxes_win32.h"
#include "base/localisation.h"
#include "ui/language_switch.h"
#include "base/text_encoding.h"
#include "ui/window_effects_win32.h"
#include "zeptal_digest.h"

#include <oleauto.h>

#include <stdexcept>

namespace {

// An error of the start-up that the catch-all reports with its number.
class StartupError : public std::runtime_error {
  public:
    StartupError(long number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    explicit StartupError(const win32::CallFailure& failure)
        : StartupError(static_cast<long>(failure.code), Cp1252FromWide(failure.text)) {}
    long number() const { return number_; }

  private:
    long number_;
};

[[noreturn]] void EndProcess(UINT code) {
    ::ExitProcess(code);
}

[[noreturn]] void Fatal(const std::wstring& text, const wchar_t* title, UINT icon, UINT code) {
    ::MessageBoxW(nullptr, text.c_str(), title, MB_OK | icon | MB_SETFOREGROUND);
    EndProcess(code);
}

[[noreturn]] void FatalError(const win32::HandlerFailure& failure) {
    Fatal(ChaineLocale(130, {{L"%1", std::to_wstring(failure.number)},
                             {L"%2", WideFromUtf8(failure.description)}}),
          kErrorTitle, MB_ICONERROR, Client::kExitError);
}

std::wstring ModuleFolder(HINSTANCE instance) {
    const std::wstring path = win32::ModulePath(instance);
    if (path.empty())
        return L".\\";
    return ProgramFolder(path.substr(0, path.find_last_of(L'\\')));
}

} // namespace

void Client::UseTestHooks(const TestHooks& hooks) {
    if (hooks.minute_ms < 50 || hooks.minute_ms > 60000)
        return;
    minute_ms_ = hooks.minute_ms;
    if (hooks.clock_start && minute_ms_ < 60000)
        tick_clock_.emplace(*hooks.clock_start);
}

void Client::Startup(HINSTANCE instance) {
    instance_ = instance;
    Donothing_ = false;
    win32::SetHandlerFailureAction(
        [this](const win32::HandlerFailure& failure) { EndAfterError(failure); });
    CheckSingleInstance();
    CheckPlatform();
    try {
        LoadCurrentLanguage(settings_);
        program_folder_ = ModuleFolder(instance);
        CheckLibrary();

        // The main window is hidden and a tool window, so it is not in the task list.
        win32::WindowClassOptions cls;
        cls.name = query::kClientWindowClass;
        win32::WindowOptions options;
        options.title = L"TheWandrel";
        options.style = WS_POPUP;
        options.ex_style = WS_EX_TOOLWINDOW;
        options.x = options.y = options.width = options.height = 0;
        if (!Create(cls, options))
            throw StartupError(win32::LastFailureOf(L"CreateWindowExW"));
        boxes_.set_owner(hwnd());

        OpenSharedMemory();
        CallChkP();
        if (!ReadAccount()) {
            Donothing_ = true;
            ShowInstaller();
            return;
        }
        SetupDirectInput();
        SetupCounting();
        ReadSettings();
        // Queries and the taskbar's return are served once the totals are read: the
        // start-up's question box runs the message loop before that, and an icon added
        // meanwhile could start a sending against totals not loaded yet.
        hook_.Install(hwnd());
        tray_.AjoutIcone();
        StartTimers();
        link_.EnvoiEnCours = false;
    } catch (const StartupError& e) {
        FatalError({e.number(), e.what()});
    } catch (...) {
        FatalError(win32::FailureOfCurrentException());
    }
}

void Client::EndAfterError(const win32::HandlerFailure& failure) {
    static bool ending = false; // a failure while this one is reported ends at once
    if (ending)
        EndProcess(kExitError);
    ending = true;
    try {
        if (!Donothing_)
            Shutdown();
    } catch (...) { // what could be saved is saved; the box comes all the same
    }
    FatalError(failure);
}

// A second start while the client runs ends at once, without a message.
void Client::CheckSingleInstance() {
    instance_mutex_.reset(::CreateMutexW(nullptr, FALSE, L"Local\\TheWandrel.Client"));
    if (!instance_mutex_ || ::GetLastError() == ERROR_ALREADY_EXISTS)
        EndProcess(kExitNormal);
}

// The program needs Windows 7 or later: the build targets it, and its imports come from it.
static_assert(_WIN32_WINNT == 0x0601, "TheWandrel is built for Windows 7 to 11");

// The platform check: NT-family systems of major version 5 or later; other systems get the
// bilingual box.
void Client::CheckPlatform() {
    if (!win32::EstNT())
        Fatal(PlatformMessage(), kPlatformTitle, MB_ICONINFORMATION, kExitPlatform);
}

// The hook library beside the program, and exactly the build made with this client:
// the MD5 of the MD5 text of its bytes.
void Client::CheckLibrary() {
    const std::wstring library = program_folder_ + L"zeptal.dll";
    const DWORD attributes = ::GetFileAttributesW(library.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        Fatal(ChaineLocale(120, {{L"%1", L"zeptal.dll"}, {L"%2", program_folder_}}),
              kMissingLibraryTitle, MB_ICONERROR, kExitMissingLibrary);

    const std::optional<std::string> file_digest = Md5File(std::filesystem::path(library));
    if (!file_digest || Md5Text(*file_digest) != ZEPTAL_EXPECTED_DIGEST)
        Fatal(ChaineLocale(260), kWrongLibraryTitle, MB_ICONERROR, kExitWrongLibrary);
    program_digest_ = *file_digest;
}

// The two shared-memory flags of the hook library.
void Client::OpenSharedMemory() {
    switch (sampler_.OpenSharedMemory()) {
    case win32::HookLibraryFlags::OpenResult::Ok:
        return;
    case win32::HookLibraryFlags::OpenResult::DiscardFlagFailed:
        Fatal(kLoadingError1a, kLoadingErrorTitle, MB_ICONERROR, kExitSharedMemory);
    case win32::HookLibraryFlags::OpenResult::UseFlagFailed:
        Fatal(kLoadingError1b, kLoadingErrorTitle, MB_ICONERROR, kExitSharedMemory);
    }
}

// `ChkP` of the hook library, once; its result is not used. The library stays loaded
// until the shutdown, since its watcher runs inside this process.
void Client::CallChkP() {
    zeptal_.reset(::LoadLibraryW((program_folder_ + L"zeptal.dll").c_str()));
    if (!zeptal_)
        throw StartupError(win32::LastFailureOf(L"LoadLibraryW"));
    using ChkPFunction = HRESULT(__stdcall*)(VARIANT*);
    auto chkp = reinterpret_cast<ChkPFunction>(
        reinterpret_cast<void*>(::GetProcAddress(zeptal_.get(), "ChkP")));
    if (!chkp)
        throw StartupError(453, "Can't find DLL entry point ChkP in zeptal.dll");
    VARIANT result;
    ::VariantInit(&result);
    const HRESULT hr = chkp(&result);
    ::VariantClear(&result);
    if (FAILED(hr))
        throw StartupError(hr, "ChkP failed");
}

// The account: without a key, a nickname or a password only the first-run installer runs.
bool Client::ReadAccount() {
    const std::optional<std::wstring> folder = DataFolder();
    if (!folder)
        throw StartupError(76, "Path not found: the local application data folder");
    files_ = std::make_unique<Win32FileStore>(*folder);
    link_.Clef = RecupereCle(*files_, settings_);
    if (link_.Clef == "0")
        return false;
    const std::string login = RecupereParametre(settings_, Setting::Login);
    const std::string password = RecuperePwd(*files_);
    return !login.empty() && password != "0";
}

// DirectInput; its own box when it is missing.
void Client::SetupDirectInput() {
    if (!sampler_.SetupDirectInput(hwnd()))
        Fatal(ChaineLocale(110), kDirectXTitle, MB_ICONINFORMATION, kExitDirectInput);
}

// The counts not yet sent, the sampling state and the tray icon record.
void Client::SetupCounting() {
    RecupereDonnees(*files_, counters_, link_.Clef);
    sampler_.StartCounting();

    SamplingState& state = sampler_.state();
    state.Icon_Move_Global = RecupereBooleen(settings_, Setting::IconMove);
    tray_.menu_state().icon_change_disabled = !state.Icon_Move_Global;
    sampler_.on_tray_frame = [this](uint8_t frame) { tray_.ShowFrame(frame); };
    if (!tray_.Init(hwnd(), instance_, program_folder_, state.Icon_Move_Global,
                    [](int id) { return ChaineLocale(id); }))
        throw StartupError(win32::LastFailureOf(L"The tray icon images"));
    state.NbIcones = tray_.NbIcones();
    state.ImageIcone = 0;
    state.ImageIconeAffichee = 0;
    state.ActiviteIcone = false;
    schedule_.Min_save_actuelle = 0;
}

// Settings held in memory and the confirmed totals.
void Client::ReadSettings() {
    MiseAJourDemarrage(settings_, program_folder_);
    Global_Unite_KM = RecupereParametre(settings_, Setting::Unit) == "Km";

    const AutoSendMode mode = ParseAutoSend(RecupereParametre(settings_, Setting::AS));
    schedule_.Autos = mode.Autos;
    schedule_.AutosKm = mode.AutosKm;
    const auto byte_setting = [this](Setting s) {
        return SettingAsByte(RecupereParametre(settings_, s), SettingAsByte(DefaultOf(s), 0));
    };
    schedule_.Hautos = byte_setting(Setting::HAS);
    schedule_.Kautos = byte_setting(Setting::KmAS);

    RecupereDisplayData(settings_, display_flags_);
    win32::MessageBoxMessages ask(hwnd());
    sampler_.state().MoreClics =
        Recupere_MoreClics(settings_, ask, [] { return ChaineLocale(140); });

    // The server requests go through the named proxy when one is set.
    http_.SetProxy(ConfiguredProxy(settings_));

    Recupere_Distancetotale(settings_, counters_);
    Recupere_TotauxEver(settings_, counters_);
}

// The display when it was open at the last quit, then sampling and the minute tick.
void Client::StartTimers() {
    tray_.menu_state().display_available = true;
    tray_.menu_state().settings_available = true;
    display_.SetTimerWindow(hwnd());
    if (RecupereBooleen(settings_, Setting::DDStartOpen) && display_.Open())
        tray_.menu_state().display_checked = true;
    win32::SamplingTimers::StartMovementWindow(hwnd());
    win32::SamplingTimers::StartSampling(sampler_, hwnd());
    // The distance timer starts with the others, once the totals are read: a sending during
    // the start-up's question box would add to totals not loaded yet and write them over.
    if (schedule_.AutosKm)
        ::SetTimer(hwnd(), kTimerASKm, 1500, nullptr);
    ::SetTimer(hwnd(), kTimer_AS, minute_ms_, nullptr);
}
