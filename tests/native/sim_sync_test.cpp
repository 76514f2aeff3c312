// The simulated platform's critical sections and held MCI opens: what the
// library's locks and the threads tests rely on.
#include "fixture.h"
#include "sim_mci.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

class SimSyncTest : public SimTest {};

const DWORD kPatienceMs = 10000;  // a guard against a hang, not a time limit

TEST_F(SimSyncTest, ACriticalSectionIsReentrantAndMakesOtherThreadsWait) {
    CRITICAL_SECTION cs;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 0));
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // its owner enters again, and leaves as often
    LeaveCriticalSection(&cs);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    EXPECT_TRUE(sim::AwaitCriticalSectionWaiters(1, kPatienceMs));
    EXPECT_EQ(sim::CriticalSectionWaiters(), 1);
    EXPECT_FALSE(entered) << "entered while the owner still held it once";
    LeaveCriticalSection(&cs);
    other.join();
    EXPECT_TRUE(entered);
    EXPECT_EQ(sim::CriticalSectionWaiters(), 0);
    DeleteCriticalSection(&cs);
    EXPECT_EQ(cs.DebugInfo, nullptr);
}

// What the platform leaves undefined stops the program with a message.
TEST_F(SimSyncTest, UndefinedUsesStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        void (*use)();
        const char* message;
    } cases[] = {
        {[] {
             CRITICAL_SECTION cs = {};
             EnterCriticalSection(&cs);
         },
         "EnterCriticalSection on a critical section that is not initialised"},
        {[] {
             CRITICAL_SECTION cs;
             InitializeCriticalSectionAndSpinCount(&cs, 0);
             DeleteCriticalSection(&cs);
             LeaveCriticalSection(&cs);
         },
         "LeaveCriticalSection on a critical section that is not initialised"},
        {[] {
             CRITICAL_SECTION cs;
             InitializeCriticalSectionAndSpinCount(&cs, 0);
             LeaveCriticalSection(&cs);
         },
         "LeaveCriticalSection on a critical section that the thread does not hold"},
        {[] {
             static CRITICAL_SECTION cs;
             InitializeCriticalSectionAndSpinCount(&cs, 0);
             std::atomic<bool> held{false};
             std::thread([&held] {
                 EnterCriticalSection(&cs);
                 held = true;
                 for (;;) std::this_thread::yield();  // until the process ends
             }).detach();
             while (!held) std::this_thread::yield();
             LeaveCriticalSection(&cs);
         },
         "LeaveCriticalSection on a critical section that the thread does not hold"},
        {[] {
             CRITICAL_SECTION cs;
             InitializeCriticalSectionAndSpinCount(&cs, 0);
             EnterCriticalSection(&cs);
             DeleteCriticalSection(&cs);
         },
         "DeleteCriticalSection on a critical section that the thread holds"},
    };
    for (const auto& c : cases) EXPECT_DEATH(c.use(), c.message);
}

// A held MCI_OPEN waits outside the platform's lock: another MCI command and
// a mixer request go on meanwhile, and the open is done once released.
TEST_F(SimSyncTest, AHeldOpenHoldsUpNoOtherPlatformCall) {
    BuildTypicalCard();
    MCI_OPEN_PARMSA first = {};
    first.lpstrDeviceType = "cdaudio";
    ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&first)), 0u);
    sim::HoldMciOpens();
    MCIERROR opened = 1;
    MCI_OPEN_PARMSA second = {};
    second.lpstrDeviceType = "cdaudio";
    std::thread opener(
        [&] { opened = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&second)); });
    EXPECT_TRUE(sim::AwaitHeldMciOpens(1, kPatienceMs));
    // On a thread of their own, so that calls held up fail the test (the
    // open is then released) instead of hanging it.
    std::future<void> others = std::async(std::launch::async, [&] {
        MCI_GENERIC_PARMS generic = {};
        EXPECT_EQ(mciSendCommandA(first.wDeviceID, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&generic)), 0u);
        EXPECT_EQ(mixerGetNumDevs(), 1u);
    });
    EXPECT_EQ(others.wait_for(std::chrono::milliseconds(kPatienceMs)), std::future_status::ready)
        << "a platform call waited for the held open";
    EXPECT_EQ(sim::OpenMciDevices(), 1) << "the held open made a device";
    sim::ReleaseMciOpens();
    others.get();
    opener.join();
    EXPECT_EQ(opened, 0u);
    EXPECT_EQ(sim::OpenMciDevices(), 2);
    ASSERT_EQ(sim::MciCommands().size(), 3u);
    EXPECT_EQ(sim::MciCommands()[1].command, static_cast<UINT>(MCI_STOP));
    EXPECT_EQ(sim::MciCommands()[2].openedId, second.wDeviceID);
}

}  // namespace
