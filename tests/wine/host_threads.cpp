// Four threads of one host calling MIXER.DLL at once for ten seconds under
// Wine: a slider thread on the master volume and balance, a switch thread on
// the master mute and the CD player, a timer thread polling the meter and the
// selector and switching the name-file directory, and a host thread saving,
// restoring and opening the CD player. Each thread owns what it checks
// exactly (no other thread writes it), so every result must be what the call
// gives alone. A "Solo" test, started by a ctest of its own.
#include "host.h"

#include <cstring>
#include <string>

namespace {

const DWORD kRunMs = 10000;

struct Shared {
    MasterControls master;
    std::string withFile, withoutFile;  // name-file directories
    std::string settings, restore;      // files the host thread saves and restores
    DWORD until;
};

struct Worker {
    const char* name;
    void (*body)(Worker*);
    Shared* shared;
    long calls;
    long failures;
    char first[160];
    // The checks run on the worker's own thread: counted here, reported by
    // the main thread once every worker is done (one line a worker, however
    // many of its checks fail).
    void Check(bool ok, const char* what) {
        ++calls;
        if (ok) return;
        if (failures++ == 0) std::snprintf(first, sizeof first, "%s", what);
    }
    bool Running() const { return GetTickCount() < shared->until; }
};

#define WCHECK(w, cond) (w)->Check((cond), #cond)

// Levels that are multiples of 257 come back from Wine's float store as
// written; on its uniform master, balance positions 0 to 7 write the level
// again.
void Slider(Worker* w) {
    const MasterControls& m = w->shared->master;
    for (long i = 0; w->Running(); ++i) {
        const LONG level = 2570 * (1 + i % 25);
        WCHECK(w, CALL(SetPlayMainVolume)(level) == 1);
        WCHECK(w, DirectValue(m.volume) == level);
        WCHECK(w, CALL(GetPlayMainVolume)() == level);
        WCHECK(w, CALL(SetPlayMainBalance)(i % 8) == 1);
        WCHECK(w, DirectValue(m.volume) == level);
    }
}

void Switch(Worker* w) {
    const MasterControls& m = w->shared->master;
    for (long i = 0; w->Running(); ++i) {
        const LONG mute = i & 1;
        WCHECK(w, CALL(SetPlayMainMute)(mute) == 1);
        WCHECK(w, DirectValue(m.mute) == mute);
        WCHECK(w, CALL(GetPlayMainMute)() == mute);
        if (i % 20 == 0) {
            // Wine has no CD drive here: the open fails (266, or 265 when two
            // threads open at once) and the player stays closed.
            const LONG open = CALL(OpenCD)();
            WCHECK(w, open == 265 || open == 266 || open == 0);
            const LONG close = CALL(CloseCD)();
            WCHECK(w, open == 0 ? close == 0 || close == 3075 : close == 3075);
        }
    }
}

void Timer(Worker* w) {
    const Shared& s = *w->shared;
    for (long i = 0; w->Running(); ++i) {
        WCHECK(w, CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) == 0);
        WCHECK(w, CALL(GetRecMicSelect)() == -1);
        WCHECK(w, CALL(SetRecCDSelect)() == 1);
        WCHECK(w, CALL(ScanRecControls)() == 0);
        WCHECK(w, CALL(IsMuxSingleSelect)() == 0);
        char listing[64];
        WCHECK(w, CALL(GetMixerRecordChannels)(listing, sizeof listing - 1) == -1);
        // Only this thread sets the directory; the CD-type flag also goes to
        // 0 with every restore on the host thread.
        const std::string& dir = i % 2 ? s.withoutFile : s.withFile;
        WCHECK(w, CALL(SetSoundCardConfigFilePath)(dir.c_str()) == static_cast<LONG>(dir.size() + 1));
        WCHECK(w, CALL(ReadDigitalConfiguration)() == (i % 2 ? 0 : 1));
        WCHECK(w, CALL(SetCDTypeDigital)(i & 1) == 1);
        const LONG cdType = CALL(GetCDTypeDigital)();
        WCHECK(w, cdType == (i & 1) || cdType == 0);
    }
}

void Host(Worker* w) {
    const Shared& s = *w->shared;
    for (long i = 0; w->Running(); ++i) {
        WCHECK(w, CALL(Save)(s.settings.c_str()) == 1);
        // A restore of the wave-out line only (Wine's, which ignores writes),
        // so that it changes nothing another thread checks.
        WCHECK(w, CALL(Set)(s.restore.c_str()) == 1);
        const LONG level = CALL(GetPlayMainVolume)();
        WCHECK(w, level >= 2569 && level <= 64250);
        WCHECK(w, CALL(GetPlayWaveOutVolume)() == 0);
        const LONG play = CALL(PlayCD)(1);
        WCHECK(w, play == 3075 || play == 0);
        if (i % 5 == 0) {
            const LONG open = CALL(OpenCD)();
            WCHECK(w, open == 265 || open == 266 || open == 0);
            const LONG close = CALL(CloseCD)();
            WCHECK(w, open == 0 ? close == 0 || close == 3075 : close == 3075);
        }
    }
}

DWORD WINAPI RunWorker(LPVOID p) {
    Worker* w = static_cast<Worker*>(p);
    w->body(w);
    return 0;
}

}  // namespace

TEST(SoloThreads, FourThreadsForTenSeconds) {
    Shared s;
    s.master = FindMasterControls();
    ASSERT_TRUE(s.master.ok);
    const LONG savedVolume = DirectValue(s.master.volume), savedMute = DirectValue(s.master.mute);
    s.withFile = TempDirectory("threads-a");
    s.withoutFile = TempDirectory("threads-bb");
    s.settings = s.withoutFile + "mixer.ini";
    s.restore = s.withoutFile + "restore.ini";
    EXPECT_TRUE(WriteBytes(s.withFile + "Out.cfg", "[LINEIN]\r\nNAME=Line\r\n"));
    EXPECT_TRUE(WriteBytes(s.restore, "[PLAY VOLUME]\r\nWAVEOUT=1000\r\n[PLAY MUTE]\r\nWAVEOUT=1\r\n"));
    EXPECT_TRUE(DirectWrite(s.master.volume, 2570));

    Worker workers[] = {{"slider", Slider, &s, 0, 0, ""},
                        {"switch", Switch, &s, 0, 0, ""},
                        {"timer", Timer, &s, 0, 0, ""},
                        {"host", Host, &s, 0, 0, ""}};
    HANDLE threads[4];
    s.until = GetTickCount() + kRunMs;
    for (int i = 0; i < 4; ++i) threads[i] = CreateThread(nullptr, 0, RunWorker, &workers[i], 0, nullptr);
    for (HANDLE t : threads) EXPECT_NE(t, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, kRunMs + 60000), WAIT_OBJECT_0);
    long calls = 0;
    for (int i = 0; i < 4; ++i) {
        CloseHandle(threads[i]);
        std::printf("  %-6s %6ld checks, %ld failed%s%s\n", workers[i].name, workers[i].calls, workers[i].failures,
                    workers[i].failures ? ", first: " : "", workers[i].first);
        EXPECT_EQ(workers[i].failures, 0) << workers[i].name << ", first: " << workers[i].first;
        EXPECT_GT(workers[i].calls, 100) << workers[i].name;
        calls += workers[i].calls;
    }
    std::printf("  %ld checks in all\n", calls);
    CALL(SetSoundCardConfigFilePath)("");
    CALL(ReadDigitalConfiguration)();
    CALL(SetCDTypeDigital)(0);
    DeleteFileA((s.withFile + "Out.cfg").c_str());
    DeleteFileA(s.settings.c_str());
    DeleteFileA(s.restore.c_str());
    RemoveDirectoryA(s.withFile.c_str());
    RemoveDirectoryA(s.withoutFile.c_str());
    DirectWrite(s.master.volume, savedVolume);
    DirectWrite(s.master.mute, savedMute);
}

// The locks are made when the DLL is loaded and deleted when it is unloaded
// (src/core/locks.cpp): a copy of MIXER.DLL under another name, loaded and
// unloaded three times beside the host's, answers calls that take the state
// lock and the CD player's lock each time, and refuses no load.
TEST(Locks, MadeAtEveryLoad) {
    const std::string dir = TempDirectory("reload");
    const std::string copy = dir + "MIXER_RELOAD.DLL";
    const LONG hostsType = CALL(GetCDTypeDigital)();
    ASSERT_TRUE(CopyFileA(Dll().Path().c_str(), copy.c_str(), FALSE));
    for (int load = 0; load < 3; ++load) {
        SCOPED_TRACE("load " + std::to_string(load + 1));
        mixertools::MixerDll reload;
        ASSERT_TRUE(reload.Load(copy)) << "error " << reload.Error();
        EXPECT_NE(reload.Module(), Dll().Module());
        const auto setType = MIXER_DLL_FUNCTION(reload, SetCDTypeDigital);
        const auto getType = MIXER_DLL_FUNCTION(reload, GetCDTypeDigital);
        const auto closeCD = MIXER_DLL_FUNCTION(reload, CloseCD);
        ASSERT_TRUE(setType && getType && closeCD);
        EXPECT_EQ(getType(), 0);  // a fresh copy of the state with every load
        EXPECT_EQ(setType(load + 1), 1);
        EXPECT_EQ(getType(), load + 1);
        EXPECT_EQ(closeCD(), 3075);
        reload.Unload();
        EXPECT_EQ(GetModuleHandleA(copy.c_str()), nullptr);
    }
    EXPECT_EQ(CALL(GetCDTypeDigital)(), hostsType);  // the host's copy untouched
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(dir.c_str());
}
