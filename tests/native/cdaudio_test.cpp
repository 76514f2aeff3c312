// CD audio player: commands sent, device state, results and error boxes.
#include "cdaudio/cdaudio.h"
#include "fixture.h"
#include "sim_mci.h"

#include <cstring>

namespace {

class CDAudioTest : public SimTest {
protected:
    // Opens successfully and returns the recorded id.
    DWORD Open() {
        EXPECT_EQ(OpenCD(), 0);
        EXPECT_NE(g_state.CDDeviceID, 0u);
        return g_state.CDDeviceID;
    }
    const sim::MciCommand& Last() { return sim::MciCommands().back(); }
    size_t Sent() { return sim::MciCommands().size(); }
    size_t Boxes() { return sim::MessageBoxes().size(); }
    // The last box is the one error report for `code` under `caption`.
    void ExpectReport(const char* caption, DWORD code, const std::string& text) {
        ASSERT_FALSE(sim::MessageBoxes().empty());
        const sim::MessageBoxCall& b = sim::MessageBoxes().back();
        EXPECT_EQ(b.owner, nullptr);
        EXPECT_EQ(b.caption, caption);
        EXPECT_EQ(b.text, text);
        EXPECT_EQ(b.type, static_cast<UINT>(MB_OK));
        ASSERT_FALSE(sim::ErrorTextRequests().empty());
        EXPECT_EQ(sim::ErrorTextRequests().back().code, code & 0xFFFF);
        EXPECT_EQ(sim::ErrorTextRequests().back().length, 256u);
        EXPECT_EQ(sim::ErrorTextRequests().size(), sim::MessageBoxes().size());
    }
};

TEST_F(CDAudioTest, NothingOpenAnswers3075AndSendsNothing) {
    g_state.CDLastError = 1234;
    EXPECT_EQ(PlayCD(1), 3075);
    EXPECT_EQ(StopCD(), 3075);
    EXPECT_EQ(CloseCD(), 3075);
    EXPECT_EQ(SetTimeFormatToTrack(), 3075);
    EXPECT_EQ(sim::CountOf("mciSendCommandA"), 0u);
    EXPECT_EQ(sim::CountOf("MessageBoxA"), 0u);
    EXPECT_EQ(sim::CountOf("mciGetErrorStringA"), 0u);
    EXPECT_EQ(g_state.CDLastError, 1234u);
}

TEST_F(CDAudioTest, OpenRecordsTheDeviceAndSetsTrackTimeFormat) {
    std::memset(g_state.CDDeviceType, 'x', 20);
    const DWORD id = Open();
    EXPECT_STREQ(g_state.CDDeviceType, "cdaudio");
    ASSERT_EQ(Sent(), 2u);
    const sim::MciCommand& open = sim::MciCommands()[0];
    EXPECT_EQ(open.device, 0u);
    EXPECT_EQ(open.command, static_cast<UINT>(MCI_OPEN));
    EXPECT_EQ(open.flags, static_cast<DWORD>(MCI_OPEN_TYPE));
    EXPECT_EQ(open.deviceType, "cdaudio");
    EXPECT_EQ(open.openedId, id);
    const sim::MciCommand& set = sim::MciCommands()[1];
    EXPECT_EQ(set.device, id);
    EXPECT_EQ(set.command, static_cast<UINT>(MCI_SET));
    EXPECT_EQ(set.flags, static_cast<DWORD>(MCI_SET_TIME_FORMAT));
    EXPECT_EQ(set.timeFormat, static_cast<DWORD>(MCI_FORMAT_TMSF));
    EXPECT_EQ(set.callback, 0u);
    EXPECT_EQ(sim::FindMciDevice(id)->timeFormat, static_cast<DWORD>(MCI_FORMAT_TMSF));
    EXPECT_EQ(sim::OpenMciDevices(), 1);
    EXPECT_EQ(Boxes(), 0u);
}

TEST_F(CDAudioTest, FailedFirstOpenShowsOneBoxAndStaysClosed) {
    sim::FailFunction("mciSendCommandA", MCIERR_CANNOT_LOAD_DRIVER, 1);
    EXPECT_EQ(OpenCD(), MCIERR_CANNOT_LOAD_DRIVER);
    EXPECT_EQ(Sent(), 1u);  // no time-format command without a device
    EXPECT_EQ(Boxes(), 1u);
    ExpectReport("OpenCD", MCIERR_CANNOT_LOAD_DRIVER, sim::MciErrorText(MCIERR_CANNOT_LOAD_DRIVER));
    EXPECT_EQ(g_state.CDDeviceID, 0u);
    EXPECT_EQ(g_state.CDLastError, static_cast<DWORD>(MCIERR_CANNOT_LOAD_DRIVER));
    EXPECT_EQ(PlayCD(1), 3075);
    EXPECT_EQ(StopCD(), 3075);
    EXPECT_EQ(CloseCD(), 3075);
    EXPECT_EQ(Sent(), 1u);
    EXPECT_EQ(sim::OpenMciDevices(), 0);
}

TEST_F(CDAudioTest, FailedTimeFormatStepAnswersForTheOpen) {
    sim::FailMciCommand(MCI_SET, MCIERR_UNSUPPORTED_FUNCTION);
    EXPECT_EQ(OpenCD(), MCIERR_UNSUPPORTED_FUNCTION);
    EXPECT_NE(g_state.CDDeviceID, 0u);  // the open itself succeeded
    EXPECT_EQ(Boxes(), 1u);
    ExpectReport("SetTimeFormatToTrack", MCIERR_UNSUPPORTED_FUNCTION,
                 sim::MciErrorText(MCIERR_UNSUPPORTED_FUNCTION));
    EXPECT_EQ(g_state.CDLastError, static_cast<DWORD>(MCIERR_UNSUPPORTED_FUNCTION));
}

TEST_F(CDAudioTest, PlayStartsAtTheLow16BitsOfTheTrack) {
    const DWORD id = Open();
    const struct {
        LONG track;
        DWORD from;
    } cases[] = {{3, 3}, {1, 1}, {0x12345, 0x2345}, {0x0203, 0x0203}, {-1, 0xFFFF}};
    for (const auto& c : cases) {
        EXPECT_EQ(PlayCD(c.track), 0);
        EXPECT_EQ(Last().device, id);
        EXPECT_EQ(Last().command, static_cast<UINT>(MCI_PLAY));
        EXPECT_EQ(Last().flags, static_cast<DWORD>(MCI_FROM)) << "no end, no wait, no notify";
        EXPECT_EQ(Last().from, c.from) << "track " << c.track;
        EXPECT_EQ(Last().callback, 0u);
        EXPECT_TRUE(sim::FindMciDevice(id)->playing);
        EXPECT_EQ(sim::FindMciDevice(id)->position, c.from);
    }
    EXPECT_EQ(Boxes(), 0u);
}

TEST_F(CDAudioTest, StopKeepsTheDeviceForAnotherPlay) {
    const DWORD id = Open();
    EXPECT_EQ(PlayCD(2), 0);
    EXPECT_EQ(StopCD(), 0);
    EXPECT_EQ(Last().device, id);
    EXPECT_EQ(Last().command, static_cast<UINT>(MCI_STOP));
    EXPECT_EQ(Last().flags, static_cast<DWORD>(MCI_WAIT));
    EXPECT_FALSE(sim::FindMciDevice(id)->playing);
    EXPECT_EQ(g_state.CDDeviceID, id);
    EXPECT_EQ(PlayCD(5), 0);
    EXPECT_TRUE(sim::FindMciDevice(id)->playing);
    EXPECT_EQ(sim::FindMciDevice(id)->position, 5u);
    EXPECT_EQ(sim::CountOf("mciSendCommandA"), 5u);  // open, set, play, stop, play
}

TEST_F(CDAudioTest, CloseTwiceSendsOneClose) {
    const DWORD id = Open();
    EXPECT_EQ(CloseCD(), 0);
    EXPECT_EQ(Last().device, id);
    EXPECT_EQ(Last().command, static_cast<UINT>(MCI_CLOSE));
    EXPECT_EQ(Last().flags, static_cast<DWORD>(MCI_WAIT));
    EXPECT_EQ(g_state.CDDeviceID, 0u);
    EXPECT_EQ(sim::OpenMciDevices(), 0);
    const size_t sent = Sent();
    EXPECT_EQ(CloseCD(), 3075);
    EXPECT_EQ(Sent(), sent);
    EXPECT_EQ(Boxes(), 0u);
}

TEST_F(CDAudioTest, FailedCloseStillForgetsTheDevice) {
    Open();
    sim::FailMciCommand(MCI_CLOSE, MCIERR_HARDWARE);
    EXPECT_EQ(CloseCD(), MCIERR_HARDWARE);
    ExpectReport("CloseCD", MCIERR_HARDWARE, sim::MciErrorText(MCIERR_HARDWARE));
    EXPECT_EQ(g_state.CDDeviceID, 0u);
    EXPECT_EQ(g_state.CDLastError, static_cast<DWORD>(MCIERR_HARDWARE));
    const size_t sent = Sent();
    EXPECT_EQ(PlayCD(1), 3075);
    EXPECT_EQ(StopCD(), 3075);
    EXPECT_EQ(CloseCD(), 3075);
    EXPECT_EQ(Sent(), sent);
    EXPECT_EQ(Boxes(), 1u);
}

TEST_F(CDAudioTest, FailedPlayOrStopIsReportedAndTheDeviceKept) {
    const DWORD id = Open();
    sim::FailMciCommand(MCI_PLAY, MCIERR_DEVICE_NOT_READY, 1);
    EXPECT_EQ(PlayCD(4), MCIERR_DEVICE_NOT_READY);
    ExpectReport("PlayCD", MCIERR_DEVICE_NOT_READY, sim::MciErrorText(MCIERR_DEVICE_NOT_READY));
    EXPECT_EQ(g_state.CDLastError, static_cast<DWORD>(MCIERR_DEVICE_NOT_READY));
    sim::FailMciCommand(MCI_STOP, MCIERR_HARDWARE, 1);
    EXPECT_EQ(StopCD(), MCIERR_HARDWARE);
    ExpectReport("StopCD", MCIERR_HARDWARE, sim::MciErrorText(MCIERR_HARDWARE));
    EXPECT_EQ(Boxes(), 2u);
    EXPECT_EQ(g_state.CDDeviceID, id);
    // The next command's result replaces the kept error.
    EXPECT_EQ(PlayCD(4), 0);
    EXPECT_EQ(g_state.CDLastError, 0u);
    // A device closed behind the library's back: the platform's own error.
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, 0), 0u);
    EXPECT_EQ(PlayCD(4), MCIERR_INVALID_DEVICE_ID);
    ExpectReport("PlayCD", MCIERR_INVALID_DEVICE_ID, sim::MciErrorText(MCIERR_INVALID_DEVICE_ID));
}

TEST_F(CDAudioTest, FullCodeKeptWhileTheTextIsForItsLow16Bits) {
    Open();
    const DWORD codes[] = {0x00030106, 0x80000114};
    for (DWORD code : codes) {
        sim::FailMciCommand(MCI_PLAY, code, 1);
        EXPECT_EQ(static_cast<DWORD>(PlayCD(1)), code);
        EXPECT_EQ(g_state.CDLastError, code);
        ExpectReport("PlayCD", code, sim::MciErrorText(code & 0xFFFF));
        EXPECT_FALSE(sim::MciErrorText(code & 0xFFFF).empty());
    }
}

TEST_F(CDAudioTest, CodeWithoutPlatformTextShowsTheNumber) {
    Open();
    // Outside the MCI range the platform leaves the buffer as it was, inside
    // it leaves an empty string; a failed text request writes nothing.
    const struct {
        DWORD code;
        bool failText;
        const char* text;
    } cases[] = {{0x1234, false, "MCI error 4660"},
                 {300, false, "MCI error 300"},
                 {0x00011234, false, "MCI error 70196"},
                 {MCIERR_HARDWARE, true, "MCI error 262"}};
    for (const auto& c : cases) {
        if (c.failText) sim::FailFunction("mciGetErrorStringA", 1, 1);
        sim::FailMciCommand(MCI_STOP, c.code, 1);
        EXPECT_EQ(static_cast<DWORD>(StopCD()), c.code);
        ExpectReport("StopCD", c.code, c.text);
    }
}

TEST_F(CDAudioTest, OpenWhileOpenRecordsTheNewInstanceAndClosesTheEarlier) {
    const DWORD first = Open();
    const DWORD second = Open();
    EXPECT_NE(second, first);
    EXPECT_EQ(g_state.CDDeviceID, second);
    // Open, close of the earlier instance (nothing could reach it any more),
    // time format on the new one.
    const std::vector<sim::MciCommand>& sent = sim::MciCommands();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2].command, static_cast<UINT>(MCI_OPEN));
    EXPECT_EQ(sent[3].command, static_cast<UINT>(MCI_CLOSE));
    EXPECT_EQ(sent[3].device, first);
    EXPECT_EQ(sent[3].flags, static_cast<DWORD>(MCI_WAIT));
    EXPECT_EQ(sent[4].command, static_cast<UINT>(MCI_SET));
    EXPECT_EQ(sent[4].device, second);
    EXPECT_FALSE(sim::FindMciDevice(first)->open);
    EXPECT_EQ(sim::OpenMciDevices(), 1);
    EXPECT_EQ(Boxes(), 0u);
    EXPECT_EQ(CloseCD(), 0);
    EXPECT_EQ(Last().device, second);
    EXPECT_EQ(sim::OpenMciDevices(), 0);
}

TEST_F(CDAudioTest, EarlierInstanceThatWillNotCloseIsReported) {
    Open();
    sim::FailMciCommand(MCI_CLOSE, MCIERR_HARDWARE);
    EXPECT_EQ(OpenCD(), 0);  // the time-format step on the new device answers
    ASSERT_EQ(Boxes(), 1u);
    ExpectReport("OpenCD", MCIERR_HARDWARE, sim::MciErrorText(MCIERR_HARDWARE));
    EXPECT_EQ(g_state.CDLastError, 0u);
}

TEST_F(CDAudioTest, OpenFailingWhileOpenKeepsTheRecordedDevice) {
    const DWORD id = Open();
    sim::FailMciCommand(MCI_OPEN, MCIERR_DEVICE_NOT_READY);
    EXPECT_EQ(OpenCD(), 0);  // the time-format step's result
    EXPECT_EQ(Boxes(), 1u);
    ExpectReport("OpenCD", MCIERR_DEVICE_NOT_READY, sim::MciErrorText(MCIERR_DEVICE_NOT_READY));
    EXPECT_EQ(g_state.CDDeviceID, id);
    EXPECT_EQ(Last().command, static_cast<UINT>(MCI_SET));
    EXPECT_EQ(Last().device, id);
    EXPECT_EQ(g_state.CDLastError, 0u);

    sim::FailMciCommand(MCI_SET, MCIERR_INTERNAL);
    EXPECT_EQ(OpenCD(), MCIERR_INTERNAL);
    EXPECT_EQ(Boxes(), 3u);
    EXPECT_EQ(sim::MessageBoxes()[1].caption, "OpenCD");
    ExpectReport("SetTimeFormatToTrack", MCIERR_INTERNAL, sim::MciErrorText(MCIERR_INTERNAL));
    EXPECT_EQ(g_state.CDDeviceID, id);
    EXPECT_EQ(sim::OpenMciDevices(), 1);
}

}  // namespace
