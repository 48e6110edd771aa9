#include "app/win32/sampler.h"
#include "app/win32/shared_flags.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

namespace {

using win32::HookLibraryFlags;
using win32::SharedByte;

constexpr DWORD kPeerTimeout = 30000;

TEST(SharedFlags, NamedBlocksAreJoinedNotReplaced) {
    HookLibraryFlags client;
    ASSERT_EQ(client.Open(), HookLibraryFlags::OpenResult::Ok);
    SharedByte library;
    ASSERT_TRUE(library.Open(win32::kDiscardFlagName));
    ASSERT_TRUE(library.is_mapped());

    library.Write(7);
    EXPECT_EQ(client.discard().Read(), 7);
    client.discard().Write(0);
    EXPECT_EQ(library.Read(), 0);
    EXPECT_EQ(client.use().Read(), 0); // a separate block

    client.Close();
    EXPECT_FALSE(client.discard().is_open());
    EXPECT_EQ(client.discard().Read(), 0); // closed: reads give 0, writes go nowhere
    client.discard().Write(1);
    EXPECT_EQ(library.Read(), 0);
}

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

TEST(SharedFlags, SamplerTalksToAnotherProcess) {
    CounterSet counters;
    win32::Sampler sampler(counters);
    ASSERT_EQ(sampler.OpenSharedMemory(), HookLibraryFlags::OpenResult::Ok);
    SamplingState& state = sampler.state();
    state.MouvementDx = true;
    state.PointPrecedent = {-100000, -100000};

    win32::UniqueHandleKernel peer(
        wintest::StartPeerTest(L"SharedFlagsPeer.DISABLED_RaiseDiscardThenSeeUse"));
    ASSERT_TRUE(peer);
    ASSERT_TRUE(
        wintest::PumpUntil([&] { return sampler.flags().discard().Read() != 0; }, kPeerTimeout));

    // The tick honours the flag: the reference moves to the pointer, nothing is counted.
    sampler.Tick();
    EXPECT_EQ(sampler.flags().discard().Read(), 0);
    EXPECT_NE(state.PointPrecedent, (ScreenPoint{-100000, -100000}));
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(sampler.flags().use().Read(), 0);

    // Activity this minute: the tick writes the use flag (devices or not).
    state.ActiviteMinute = true;
    sampler.Tick();
    EXPECT_EQ(sampler.flags().use().Read(), 1);

    ASSERT_EQ(WaitForSingleObject(peer.get(), kPeerTimeout), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(peer.get(), &code);
    EXPECT_EQ(code, 0u) << "the peer process did not see the flags";
}

} // namespace
