// The start-up decisions of the main window that need no Windows: which systems are
// accepted, the texts of the fatal boxes that are not localised, the program folder.
#pragma once

#include <cstdint>
#include <string>

// NT-family systems (platform 2) of major version 5 or later. The program itself is built
// for 64-bit Windows 7 to 11 (it would not load on an older system); the check refuses the
// systems that are not NT with its own message rather than turning away every Windows after XP.
bool IsPlatformAccepted(uint32_t platformId, uint32_t majorVersion);

// The bilingual box shown on other systems (the language is not known yet).
extern const wchar_t* const kPlatformTitle;
std::wstring PlatformMessage();

// The application path with exactly one trailing backslash.
std::wstring ProgramFolder(const std::wstring& appPath);

// Titles of the fatal start-up boxes.
extern const wchar_t* const kMissingLibraryTitle;
extern const wchar_t* const kWrongLibraryTitle;
extern const wchar_t* const kLoadingErrorTitle;
extern const wchar_t* const kLoadingError1a;
extern const wchar_t* const kLoadingError1b;
extern const wchar_t* const kErrorTitle;
extern const wchar_t* const kDirectXTitle;
