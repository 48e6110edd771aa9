#include "app/startup_rules.h"

#include "ui/window_effects.h"

bool IsPlatformAccepted(uint32_t platformId, uint32_t majorVersion) {
    return EstNtVersion(platformId, majorVersion);
}

const wchar_t* const kPlatformTitle = L"Windows non NT detected";

std::wstring PlatformMessage() {
    return L"TheWandrel is currently not compatible with non NT systems (Windows 95, 98, Me)\r\n"
           L"Keep an eye on the forum, this situation should be temporary.\r\n"
           L"\r\n"
           L"TheWandrel n'est actuellement pas compatible avec les syst\u00e8mes non NT "
           L"(Windows 95,98,Me)\r\n"
           L"Surveillez le forum car cette situation devrait \u00eatre temporaire.";
}

std::wstring ProgramFolder(const std::wstring& appPath) {
    if (!appPath.empty() && appPath.back() == L'\\')
        return appPath;
    return appPath + L"\\";
}

const wchar_t* const kMissingLibraryTitle = L"TheWandrel: Missing zeptal.dll";
const wchar_t* const kWrongLibraryTitle = L"TheWandrel: Wrong library version";
const wchar_t* const kLoadingErrorTitle = L"TheWandrel: Loading Error";
const wchar_t* const kLoadingError1a = L"TheWandrel: Loading error n\u00b01a";
const wchar_t* const kLoadingError1b = L"TheWandrel: Loading error n\u00b01b";
const wchar_t* const kErrorTitle = L"TheWandrel: Error";
const wchar_t* const kDirectXTitle = L"TheWandrel: Directx 8 needed";
