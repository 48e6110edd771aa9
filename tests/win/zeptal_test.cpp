#include "app/win32/shared_flags.h"
#include "win_test_support.h"

#include <oleauto.h>

#include <gtest/gtest.h>

namespace {

using ChkPFunction = HRESULT(__stdcall*)(VARIANT*);
using StopPFunction = void(__stdcall*)();

template <typename Function> Function Export(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// The watcher window of this process, if any.
HWND FindWatcher() {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"ZeptalWatcher", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"ZeptalWatcher", nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid == ::GetCurrentProcessId())
            return w;
    }
    return nullptr;
}

} // namespace

TEST(Zeptal, ChkPStartsAWatcherThatRaisesTheDiscardFlagAndStops) {
    win32::SharedByte flag; // the client's discard flag
    ASSERT_TRUE(flag.Open(win32::kDiscardFlagName));
    flag.Write(0);

    HMODULE library = ::LoadLibraryW(L"zeptal.dll");
    ASSERT_TRUE(library);
    auto chkp = Export<ChkPFunction>(library, "ChkP");
    auto stopp = Export<StopPFunction>(library, "StopP");
    ASSERT_TRUE(chkp && stopp);
    EXPECT_EQ(chkp(nullptr), E_POINTER);

    for (int call = 0; call < 2; ++call) { // a second call keeps the one watcher
        VARIANT result; // as the client calls it: an empty VARIANT, freed afterwards
        ::VariantInit(&result);
        ASSERT_EQ(chkp(&result), S_OK);
        EXPECT_EQ(result.vt, VT_BOOL);
        EXPECT_EQ(result.boolVal, VARIANT_TRUE);
        EXPECT_EQ(::VariantClear(&result), S_OK);
    }

    HWND watcher = FindWatcher();
    ASSERT_TRUE(watcher);
    EXPECT_FALSE(::IsWindowVisible(watcher));
    EXPECT_EQ(flag.Read(), 0);

    // A display change reaches every top-level window as a broadcast.
    ::PostMessageW(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_TRUE(wintest::PumpUntil([&] { return flag.Read() != 0; }));
    flag.Write(0); // the client takes the jump as its new reference
    ::PostMessageW(watcher, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_TRUE(wintest::PumpUntil([&] { return flag.Read() != 0; }));
    flag.Write(0);
    // Anything else leaves it alone (sent: handled by the time the call returns).
    DWORD_PTR result = 0;
    ASSERT_TRUE(
        ::SendMessageTimeoutW(watcher, WM_MOUSEMOVE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(flag.Read(), 0);

    // Stopping ends the thread; the last FreeLibrary then unloads the library.
    const DWORD thread_id = ::GetWindowThreadProcessId(watcher, nullptr);
    win32::UniqueHandleKernel thread(::OpenThread(SYNCHRONIZE, FALSE, thread_id));
    ASSERT_TRUE(thread);
    stopp();
    EXPECT_EQ(::WaitForSingleObject(thread.get(), 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(::IsWindow(watcher));
    ::FreeLibrary(library);
    EXPECT_TRUE(wintest::PumpUntil([] { return ::GetModuleHandleW(L"zeptal.dll") == nullptr; }));
    // The shared block is the client's: still there, still writable.
    flag.Write(1);
    EXPECT_EQ(flag.Read(), 1);
}

TEST(Zeptal, FreeLibraryWhileWatchingKeepsTheCodeLoaded) {
    win32::SharedByte flag;
    ASSERT_TRUE(flag.Open(win32::kDiscardFlagName));
    HMODULE library = ::LoadLibraryW(L"zeptal.dll");
    ASSERT_TRUE(library);
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(Export<ChkPFunction>(library, "ChkP")(&result), S_OK);
    ::VariantClear(&result);
    ::FreeLibrary(library);
    // The watcher's own reference keeps the library in place: it still works.
    EXPECT_TRUE(::GetModuleHandleW(L"zeptal.dll"));
    flag.Write(0);
    ::PostMessageW(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    EXPECT_TRUE(wintest::PumpUntil([&] { return flag.Read() != 0; }));
}
