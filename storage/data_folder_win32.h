// The data folder, %LOCALAPPDATA%\TheWandrel\ (per user, per computer): the totals data
// file, the key file, the password file, the migration marker, the files of earlier
// versions and the activity log.
#pragma once

#include <optional>
#include <string>

// The folder with its trailing backslash, created when missing. Empty when the local
// application data folder cannot be found.
std::optional<std::wstring> DataFolder();
// The full path of the activity log (for opening it in Notepad).
std::optional<std::wstring> LogFilePath();
