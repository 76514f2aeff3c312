// Several threads of one host calling the exports at once: a UI thread
// moving sliders and saving, a timer thread polling the meters and values, a
// thread switching the sound-card name files, and two threads opening and
// closing the CD player. Each check holds whatever the interleaving: the
// results are ones the calls give alone, the state is never seen half
// written, and nothing is left open. And a CD open that waits for the drive
// holds up no export but the CD player's. The tsan preset runs this under
// ThreadSanitizer (scripts/test.sh).
#include "cdaudio/cdaudio.h"
#include "engine/engine.h"
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "selector/selector.h"
#include "sim_mci.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <mutex>
#include <set>
#include <thread>

namespace {

const int kRounds = 600;

class ThreadTest : public FileTest {};

// Failures seen on the threads, reported by the test's own thread.
struct Tally {
    std::atomic<int> calls{0};
    std::atomic<int> failures{0};
    char first[256] = {0};
    std::atomic<bool> noted{false};
    void Check(bool ok, const char* what) {
        ++calls;
        if (ok) return;
        if (++failures == 1) {
            std::strncpy(first, what, sizeof first - 1);
            noted = true;
        }
    }
};

// The override names as one record, read under the state lock.
std::string OverrideNames() {
    StateLock lock;
    return std::string(g_state.DigitalLineName) + "|" + g_state.DigitalCDLineName + "|" + g_state.LineInLineName;
}

std::string ConfigPrefix() {
    StateLock lock;
    return g_state.SoundCardConfigFilePath;
}

std::string RecMicName() {
    StateLock lock;
    return g_state.RecMicName;
}

TEST_F(ThreadTest, FiveThreadsOfOneHost) {
    TypicalCard card = BuildTypicalCard();
    card.speakers->AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, -700);
    // Two name-file directories of different lengths, each with a file for
    // the card: a prefix read half from one and half from the other finds none.
    Write("a/AX200.cfg", "[DIGITAL]\r\nNAME=SPDIF In\r\n[DIGITALCD]\r\nNAME=CD Audio\r\n[LINEIN]\r\nNAME=Line In\r\n");
    Write("bbbbbbbbbbbb/AX.cfg", "[LINEIN]\r\nNAME=Line In\r\n");
    const std::string dirA = Path("a/"), dirB = Path("bbbbbbbbbbbb/");
    const std::set<std::string> names = {"||", "SPDIF In|CD Audio|Line In", "||Line In"};
    const std::string settings = Path("mixer.ini");
    ASSERT_EQ(Save(settings.c_str()), 1);
    Tally tally;

    std::thread ui([&] {
        for (int i = 0; i < kRounds; ++i) {
            const LONG level = i % 2 ? 20000 : 30000;
            tally.Check(SetPlayLineInVolume(level) == 1, "SetPlayLineInVolume");
            tally.Check(SetPlayMainMute(i & 1) == 1, "SetPlayMainMute");
            tally.Check(SetRecMicSelect() == 1, "SetRecMicSelect");
            const LONG mic = GetRecMicSelect();
            tally.Check(mic == 0 || mic == 1, "GetRecMicSelect");
            if (i % 10 == 0) {
                tally.Check(Save(settings.c_str()) == 1, "Save");
                tally.Check(Set(settings.c_str()) == 1, "Set");
            }
        }
    });
    std::thread timer([&] {
        for (int i = 0; i < kRounds; ++i) {
            tally.Check(GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) == 700, "GetPeak");
            const LONG level = GetPlayLineInVolume();
            tally.Check(level == 20000 || level == 30000, "GetPlayLineInVolume");
            const LONG mute = GetPlayMainMute();
            tally.Check(mute == 0 || mute == 1, "GetPlayMainMute");
            tally.Check(GetPlayMainVolume() == 40000, "GetPlayMainVolume");
            tally.Check(ScanRecControls() == 0, "ScanRecControls");
            tally.Check(IsMuxSingleSelect() == 1, "IsMuxSingleSelect");
            char listing[256];
            tally.Check(GetMixerRecordChannels(listing, 255) == 0 &&
                            std::strcmp(listing, "AX200 Mixer|Line In|Microphone|CD Audio|Aux|Analog Mix|SPDIF In|") == 0,
                        "GetMixerRecordChannels");
            const std::string mic = RecMicName();
            tally.Check(mic.empty() || mic == "Microphone", "cached source name");
            tally.Check(names.count(OverrideNames()) == 1, "override names");
        }
    });
    std::thread config([&] {
        for (int i = 0; i < kRounds; ++i) {
            const std::string& dir = i % 2 ? dirB : dirA;
            tally.Check(SetSoundCardConfigFilePath(dir.c_str()) == static_cast<LONG>(dir.size() + 1),
                        "SetSoundCardConfigFilePath");
            // Only this thread sets the prefix, so the file it reads is known.
            tally.Check(ReadDigitalConfiguration() == 1, "ReadDigitalConfiguration");
            tally.Check(OverrideNames() == (i % 2 ? "||Line In" : "SPDIF In|CD Audio|Line In"), "names of the file");
            tally.Check(ConfigPrefix() == dir, "prefix");
            tally.Check(SetCDTypeDigital(i & 1) == 1, "SetCDTypeDigital");
            const LONG cd = GetPlayCDVolume();  // by name or by type: the same line here
            tally.Check(cd == 30000, "GetPlayCDVolume");
        }
    });
    auto player = [&] {
        for (int i = 0; i < kRounds; ++i) {
            tally.Check(OpenCD() == 0, "OpenCD");
            const LONG play = PlayCD(1 + i % 9);
            tally.Check(play == 0 || play == 3075, "PlayCD");
            const LONG stop = StopCD();
            tally.Check(stop == 0 || stop == 3075, "StopCD");
            const LONG close = CloseCD();
            tally.Check(close == 0 || close == 3075, "CloseCD");
        }
    };
    std::thread cd1(player), cd2(player);
    for (std::thread* t : {&ui, &timer, &config, &cd1, &cd2}) t->join();

    EXPECT_EQ(tally.failures.load(), 0) << "first: " << (tally.noted ? tally.first : "");
    EXPECT_EQ(tally.calls.load(), (4 + 9 + 6 + 2 * 4) * kRounds + 2 * ((kRounds + 9) / 10));
    // Every CD device opened was closed, and no MCI command failed.
    EXPECT_EQ(sim::OpenMciDevices(), 0);
    EXPECT_EQ(g_state.CDDeviceID, 0u);
    EXPECT_EQ(sim::MessageBoxes().size(), 0u);
    EXPECT_EQ(sim::CountOf("MessageBoxA"), 0u);
    ExpectNothingOpen();
}

// How long a thread is given to get where the test waits for it: a guard
// against a hang, far above the microseconds it takes.
const DWORD kPatienceMs = 10000;

// Releases the held CD opens after kPatienceMs unless Done() comes first, so
// that an export that waits behind an open fails the test instead of hanging
// it.
class Watchdog {
public:
    Watchdog() : thread_([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [this] { return finished_; })) {
            fired_ = true;
            sim::ReleaseMciOpens();
        }
    }) {}
    ~Watchdog() { Done(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    // True when the watchdog had to release the opens.
    bool Done() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable()) thread_.join();
        return fired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool fired_ = false;
    std::thread thread_;
};

// The CD fields of g_state as one record, read under the state lock.
std::string CdFields() {
    StateLock lock;
    return std::to_string(g_state.CDDeviceID) + "|" + std::to_string(g_state.CDLastError) + "|" +
           g_state.CDDeviceType;
}

// An OpenCD that waits for the drive (the simulated open held) holds up the
// CD player's other calls and no other export: each call below gives what it
// gives alone while the open waits, and the CD fields stay as they were until
// the open is done. A CloseCD on another thread waits for the open, then
// closes the device it opened.
TEST_F(ThreadTest, NoExportWaitsBehindACdOpen) {
    TypicalCard card = BuildTypicalCard();
    card.speakers->AddControl(MIXERCONTROL_CONTROLTYPE_PEAKMETER, -700);
    Write("a/AX200.cfg", "[DIGITAL]\r\nNAME=SPDIF In\r\n");
    const std::string dir = Path("a/"), settings = Path("mixer.ini");
    g_state.CDLastError = 1234;  // as a failed open before this one left it
    char listing[256];
    const struct {
        const char* name;
        std::function<bool()> call;
    } calls[] = {
        {"SetSoundCardConfigFilePath", [&] { return SetSoundCardConfigFilePath(dir.c_str()) == LONG(dir.size() + 1); }},
        {"ReadDigitalConfiguration", [] { return ReadDigitalConfiguration() == 1; }},
        {"GetRecDigitalVolume", [] { return GetRecDigitalVolume() == 20000; }},
        {"SetPlayLineInVolume", [] { return SetPlayLineInVolume(25000) == 1; }},
        {"GetPlayLineInVolume", [] { return GetPlayLineInVolume() == 25000; }},
        {"SetCDTypeDigital", [] { return SetCDTypeDigital(1) == 1; }},
        {"GetCDTypeDigital", [] { return GetCDTypeDigital() == 1; }},
        {"ScanRecControls", [] { return ScanRecControls() == 0; }},
        {"SetRecMicSelect", [] { return SetRecMicSelect() == 1; }},
        {"GetRecMicSelect", [] { return GetRecMicSelect() == 1; }},
        {"GetPeak", [] { return GetPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) == 700; }},
        {"GetMixerRecordChannels", [&] { return GetMixerRecordChannels(listing, 255) == 0; }},
        {"Save", [&] { return Save(settings.c_str()) == 1; }},
        {"Set", [&] { return Set(settings.c_str()) == 1; }},
    };

    LONG opened = -1, closed = -1;
    std::thread opener, closer;
    {
        Watchdog watchdog;  // released before the threads are joined
        sim::HoldMciOpens();
        opener = std::thread([&] { opened = OpenCD(); });
        if (sim::AwaitHeldMciOpens(1, kPatienceMs)) {
            closer = std::thread([&] { closed = CloseCD(); });
            EXPECT_TRUE(sim::AwaitCriticalSectionWaiters(1, kPatienceMs)) << "CloseCD did not wait for the open";
            for (const auto& c : calls) EXPECT_TRUE(c.call()) << c.name;
            EXPECT_EQ(CdFields(), "0|1234|") << "the open's changes appear before it is done";
            EXPECT_EQ(sim::OpenMciDevices(), 0);
        } else {
            ADD_FAILURE() << "the open never reached the platform";
        }
        EXPECT_FALSE(watchdog.Done()) << "an export waited behind the CD open";
        sim::ReleaseMciOpens();
    }
    opener.join();
    if (closer.joinable()) closer.join();

    EXPECT_EQ(opened, 0);
    EXPECT_EQ(closed, 0) << "CloseCD closes the device the open made";
    EXPECT_EQ(CdFields(), "0|0|cdaudio");
    EXPECT_EQ(sim::OpenMciDevices(), 0);
    std::vector<UINT> sent;
    for (const sim::MciCommand& m : sim::MciCommands()) sent.push_back(m.command);
    EXPECT_EQ(sent, (std::vector<UINT>{MCI_OPEN, MCI_SET, MCI_CLOSE}));
    ExpectNothingOpen();
}

// Traced, threads calling at once each get whole lines of their own calls:
// no line holds another thread's requests or is cut by another's line.
TEST_F(ThreadTest, TracedCallsWriteWholeLines) {
    BuildTypicalCard();
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    sim::SetEnvironment("MIXER_TRACE", Path("trace.log"));
    ASSERT_EQ(DllMain(module, DLL_PROCESS_ATTACH, nullptr), TRUE);
    const int kCalls = kRounds / 2;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kCalls; ++i) {
                if (t == 0) SetPlayMainVolume(i);
                if (t == 1) GetPlayMainVolume();
                if (t == 2) GetRecMicSelect();
                if (t == 3) SetRecMicVolume(i);
            }
        });
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(DllMain(module, DLL_PROCESS_DETACH, nullptr), TRUE);

    std::istringstream in(Read("trace.log"));
    const std::regex whole("MIXER\\[(\\d+)\\] (\\w+)\\(-?\\d*\\) = -?\\d+(( \\| \\w+\\([^|]*\\) = \\w+[^|]*)*)");
    std::map<std::string, std::set<std::string>> threadsOf;      // export -> thread ids
    std::map<std::string, std::set<size_t>> requestCounts;       // export -> lengths seen
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, whole)) << line;
        threadsOf[m[2]].insert(m[1]);
        const std::string requests = m[3];
        requestCounts[m[2]].insert(static_cast<size_t>(std::count(requests.begin(), requests.end(), '|')));
    }
    EXPECT_EQ(lines, 4 * kCalls);
    ASSERT_EQ(threadsOf.size(), 4u);
    for (const auto& [name, ids] : threadsOf) {
        EXPECT_EQ(ids.size(), 1u) << name << " is called on one thread";
        EXPECT_EQ(requestCounts[name].size(), 1u) << name << " makes the same requests every time";
    }
    ExpectNothingOpen();
}

}  // namespace
