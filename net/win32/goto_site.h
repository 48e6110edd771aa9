// GotoSite: opens an address in a new window of the default web browser.
#pragma once

#include <string>

namespace win32 {

// The program registered for ".html" files, found through an empty "Bidon.html" in the
// temporary folder (deleted again whatever the outcome). Empty when there is none.
std::wstring FindBrowser();

} // namespace win32

// Starts the browser (or the shell program when no browser is registered) with the
// address and lets it come to the front. Failures are ignored.
void GotoSite(const std::string& site);
