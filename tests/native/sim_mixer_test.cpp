// The simulated mixer answers as winmm does: the error codes the engine's
// failure paths rely on, and the layout of channel and item values.
#include "fixture.h"
#include "test_cards.h"

#include <cstring>
#include <functional>

namespace {

class SimMixerTest : public SimTest {};

struct Card {
    sim::Destination* speakers;
    sim::Line* quad;  // a four-channel source
    sim::Control* volume;
    sim::Control* list;  // per-channel multiple-item control on the quad line
};

// tests/cards/quad.json.
Card BuildCard() {
    sim::Destination& speakers = LoadTestCard("quad").destinations[0];
    sim::Line& quad = speakers.sources[0];
    return {&speakers, &quad, &quad.controls[0], &quad.controls[1]};
}

MIXERLINEA LineRecord() {
    MIXERLINEA l;
    std::memset(&l, 0, sizeof l);
    l.cbStruct = sizeof l;
    return l;
}

MIXERCONTROLDETAILS Details(DWORD id, DWORD channels, DWORD items, LONG* buffer) {
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = id;
    d.cChannels = channels;
    d.cMultipleItems = items;
    d.cbDetails = sizeof(LONG);
    d.paDetails = buffer;
    return d;
}

TEST_F(SimMixerTest, ErrorCodes) {
    Card card = BuildCard();
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(h);
    HMIXER closed = nullptr;
    ASSERT_EQ(mixerOpen(&closed, 0, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mixerClose(closed), MMSYSERR_NOERROR);
    LONG buffer[16] = {0};

    struct Case {
        const char* what;
        std::function<MMRESULT()> call;
        MMRESULT want;
    } cases[] = {
        {"open device 1", [] { HMIXER x; return mixerOpen(&x, 1, 0, 0, 0); }, MMSYSERR_BADDEVICEID},
        {"caps of device 1", [] { MIXERCAPSA c; return mixerGetDevCapsA(1, &c, sizeof c); }, MMSYSERR_BADDEVICEID},
        {"close twice", [&] { return mixerClose(closed); }, MMSYSERR_INVALHANDLE},
        {"line of a closed handle",
         [&] { MIXERLINEA l = LineRecord(); return mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(closed), &l, 0); },
         MMSYSERR_INVALHANDLE},
        {"line of a handle never opened",
         [] { MIXERLINEA l = LineRecord(); return mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(0x7000), &l, MIXER_OBJECTF_HMIXER); },
         MMSYSERR_INVALHANDLE},
        {"line record too small",
         [&] { MIXERLINEA l = LineRecord(); l.cbStruct -= 1; return mixerGetLineInfoA(obj, &l, 0); },
         MMSYSERR_INVALPARAM},
        {"destination out of range",
         [&] { MIXERLINEA l = LineRecord(); l.dwDestination = 1; return mixerGetLineInfoA(obj, &l, 0); },
         MIXERR_INVALLINE},
        {"unknown line id",
         [&] { MIXERLINEA l = LineRecord(); l.dwLineID = 0x4242; return mixerGetLineInfoA(obj, &l, MIXER_GETLINEINFOF_LINEID); },
         MIXERR_INVALLINE},
        {"no line of the type",
         [&] {
             MIXERLINEA l = LineRecord();
             l.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
             return mixerGetLineInfoA(obj, &l, MIXER_GETLINEINFOF_COMPONENTTYPE);
         },
         MIXERR_INVALLINE},
        {"no control of the type",
         [&] {
             MIXERCONTROLA ctl;
             MIXERLINECONTROLSA lc;
             std::memset(&lc, 0, sizeof lc);
             lc.cbStruct = sizeof lc;
             lc.dwLineID = card.quad->id;
             lc.dwControlType = MIXERCONTROL_CONTROLTYPE_PEAKMETER;
             lc.cControls = 1;
             lc.cbmxctrl = sizeof ctl;
             lc.pamxctrl = &ctl;
             return mixerGetLineControlsA(obj, &lc, MIXER_GETLINECONTROLSF_ONEBYTYPE);
         },
         MIXERR_INVALCONTROL},
        {"unknown control",
         [&] { MIXERCONTROLDETAILS d = Details(0x4242, 1, 0, buffer); return mixerGetControlDetailsA(obj, &d, 0); },
         MIXERR_INVALCONTROL},
        {"details record too small",
         [&] {
             MIXERCONTROLDETAILS d = Details(card.volume->id, 1, 0, buffer);
             d.cbStruct -= 1;
             return mixerGetControlDetailsA(obj, &d, 0);
         },
         MMSYSERR_INVALPARAM},
        {"no channels", [&] { MIXERCONTROLDETAILS d = Details(card.volume->id, 0, 0, buffer); return mixerGetControlDetailsA(obj, &d, 0); },
         MMSYSERR_INVALPARAM},
        {"two of four channels",
         [&] { MIXERCONTROLDETAILS d = Details(card.volume->id, 2, 0, buffer); return mixerGetControlDetailsA(obj, &d, 0); },
         MMSYSERR_INVALPARAM},
        {"three of four channels, write",
         [&] { MIXERCONTROLDETAILS d = Details(card.volume->id, 3, 0, buffer); return mixerSetControlDetails(obj, &d, 0); },
         MMSYSERR_INVALPARAM},
        {"item count of a multiple-item control missing",
         [&] { MIXERCONTROLDETAILS d = Details(card.list->id, 1, 0, buffer); return mixerGetControlDetailsA(obj, &d, 0); },
         MMSYSERR_INVALPARAM},
        {"all four channels", [&] { MIXERCONTROLDETAILS d = Details(card.volume->id, 4, 0, buffer); return mixerGetControlDetailsA(obj, &d, 0); },
         MMSYSERR_NOERROR},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.want) << c.what;
    EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    EXPECT_EQ(sim::OpenMixerHandles(), 0);
}

TEST_F(SimMixerTest, MultipleItemValuesAreChannelMajor) {
    // Every item of the first channel, then every item of the next.
    Card card = BuildCard();
    for (DWORD ch = 0; ch < 4; ++ch)
        for (DWORD it = 0; it < 3; ++it) card.list->SetValue(static_cast<LONG>(10 * ch + it), ch, it);
    LONG buffer[12];
    MIXERCONTROLDETAILS d = Details(card.list->id, 4, 3, buffer);
    ASSERT_EQ(mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(0), &d, 0), MMSYSERR_NOERROR);
    const LONG want[12] = {0, 1, 2, 10, 11, 12, 20, 21, 22, 30, 31, 32};
    EXPECT_EQ(std::memcmp(buffer, want, sizeof want), 0);

    for (LONG& v : buffer) v = 100 + v;
    ASSERT_EQ(mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(0), &d, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(card.list->Value(2, 1), 121);
    EXPECT_EQ(card.list->Value(3, 0), 130);
}

}  // namespace
