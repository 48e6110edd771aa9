// The client's two flags are named blocks that the library's side joins, from any process.
// What a tick does with them is proven with the sampling logic and on the devices.
#include "app/win32/shared_flags.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

namespace {

using win32::HookLibraryFlags;
using win32::SharedByte;

constexpr DWORD kPeerTimeout = 30000;

// The library's side, run as a second process by the test below: raises the discard flag,
// waits for the client to clear it, then waits for the client's use flag.
TEST(SharedFlagsPeer, DISABLED_RaiseDiscardThenSeeUse) {
    SharedByte discard, use;
    ASSERT_TRUE(discard.Open(win32::kDiscardFlagName));
    ASSERT_TRUE(use.Open(win32::kUseFlagName));
    discard.Write(1);
    ASSERT_TRUE(wintest::PumpUntil([&] { return discard.Read() == 0; }, kPeerTimeout));
    ASSERT_TRUE(wintest::PumpUntil([&] { return use.Read() == 1; }, kPeerTimeout));
}

TEST(SharedFlags, AnotherProcessJoinsTheBlocksAndAClosedFlagGoesNowhere) {
    HookLibraryFlags client;
    ASSERT_EQ(client.Open(), HookLibraryFlags::OpenResult::Ok);
    win32::UniqueHandleKernel peer(
        wintest::StartPeerTest(L"SharedFlagsPeer.DISABLED_RaiseDiscardThenSeeUse"));
    ASSERT_TRUE(peer);
    ASSERT_TRUE(wintest::PumpUntil([&] { return client.discard().Read() != 0; }, kPeerTimeout));
    EXPECT_EQ(client.use().Read(), 0); // a separate block
    client.discard().Write(0);
    client.use().Write(1);
    ASSERT_EQ(WaitForSingleObject(peer.get(), kPeerTimeout), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(peer.get(), &code);
    EXPECT_EQ(code, 0u) << "the peer process did not see the flags";

    SharedByte library;
    ASSERT_TRUE(library.Open(win32::kDiscardFlagName));
    client.Close();
    EXPECT_FALSE(client.discard().is_open());
    EXPECT_EQ(client.discard().Read(), 0); // closed: reads give 0, writes go nowhere
    client.discard().Write(1);
    EXPECT_EQ(library.Read(), 0);
}

} // namespace
