// The parts of mixerpanel that need no window: the strips and the exports
// each one uses, fader scales, meter ballistics, the recording selector's
// listing, the microphone boost's display, the command line and the layout.
// Both builds compile this file; the native build tests it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mixerpanel {

// ---------------------------------------------------------------------------
// Strips: one per line, with the exports that read and write it. An empty
// name means the library has no such export for the line.

enum class Page { Playback = 0, Recording = 1 };
constexpr int kPageCount = 2;
constexpr int kStripsPerPage = 7;

// How the library may address the line besides its component type.
enum class Override {
    None,
    NameFile,         // by a name from the sound card's name file (line-in, digital)
    NameFileDigitalCD // by the digital CD name, when the CD-type flag is set
};

struct StripSpec {
    const char* label;
    uint32_t componentType;  // MIXERLINE_COMPONENTTYPE_*; also what GetPeak is asked for
    bool destination;        // the playback page's main strip: the speakers destination itself
    const char* volumeGet;
    const char* volumeSet;
    const char* muteGet;
    const char* muteSet;
    const char* balanceSet;  // balance cannot be read: the panel remembers the position
    const char* boostSet;    // one side of the microphone boost; read together by GetMicBoostMode
    const char* selectGet;
    const char* selectSet;
    int selectKind;          // SelectLine's source kind (deselecting); 0 when the line has no selection
    Override override;
    const char* memoryKey;   // registry value remembering the balance or boost, "" when none
};

const StripSpec& Strip(Page page, int index);
// Every export name the panel calls, each once (the strips' and the others).
std::vector<std::string> ExportsUsed();

// SelectLine's kind for a source named by the caller.
constexpr int kSourceNamed = 9;

// Component types (mmsystem.h) the panel names itself.
constexpr uint32_t kDstSpeakers = 4;
constexpr uint32_t kDstWaveIn = 7;

// ---------------------------------------------------------------------------
// Faders: vertical trackbars with the control's maximum at the top. A
// trackbar holds int positions; spans wider than 65535 are scaled down.

struct FaderScale {
    int64_t minimum = 0;
    int64_t maximum = 65535;
    int steps = 65535;  // positions 0 (top, maximum) .. steps (bottom, minimum)
};

// The scale of a control with these bounds; bounds in the wrong order are
// swapped, equal bounds give a one-step scale.
FaderScale MakeFaderScale(int64_t minimum, int64_t maximum);
// Trackbar position of a value (clamped into the bounds) and back.
int FaderPosition(const FaderScale& scale, int64_t value);
int64_t FaderValue(const FaderScale& scale, int position);
// The value as a rounded percentage of the bounds, 0..100.
int Percent(const FaderScale& scale, int64_t value);
// Keyboard steps: one arrow key 1 %, page keys 10 %, at least one position.
int LineStep(const FaderScale& scale);
int PageStep(const FaderScale& scale);

// ---------------------------------------------------------------------------
// Balance: positions 0 (left) to 15 (right); 7 and 8 both give both
// channels the louder channel's level. Each position has a text of its own
// (positions outside are taken as the nearest end).

constexpr int kBalancePositions = 16;
constexpr int kBalanceCentre = 7;
std::string BalanceText(int position);

// ---------------------------------------------------------------------------
// Peak meters: a reading's magnitude on a 60 dB scale, with a peak mark that
// holds for a second at 20 Hz and then falls.

double MeterFraction(int64_t magnitude, int64_t maximum);

struct MeterState {
    double level = 0;  // 0..1, what the bar shows
    double peak = 0;   // 0..1, the mark
    int hold = 0;      // ticks the mark still holds
};
constexpr int kMeterHoldTicks = 20;
// One tick with a new reading; true when what is shown changed.
bool MeterTick(MeterState& state, double fraction);

// ---------------------------------------------------------------------------
// The recording selector as GetMixerRecordChannels lists it:
// "product|item|item|". Fields end at "|"; a text without a final "|" keeps
// its last field.

struct RecordChannels {
    std::string product;
    std::vector<std::string> items;
};
RecordChannels ParseRecordChannels(const std::string& text);

// ---------------------------------------------------------------------------
// Microphone boost. Each side can be written alone but only read together:
// GetMicBoostMode is 0 when the recording side is off, else the playback
// side's value. A side the panel cannot know is Unknown (an indeterminate
// check box) until it is written.

enum class Tri { Off, On, Unknown };
struct BoostState {
    Tri play = Tri::Unknown;
    Tri rec = Tri::Unknown;
};
// What to show after GetMicBoostMode answered `reading` (-1: no answer).
BoostState BoostAfterReading(BoostState shown, int32_t reading);

// ---------------------------------------------------------------------------
// The command line.

struct Options {
    std::string dll = "MIXER.DLL";  // the library, loaded by name
    std::string settingsFile;       // Save/Restore settings use it instead of asking
    std::string namesDir;           // Load sound card names uses it instead of asking
    Page page = Page::Playback;
    bool help = false;
    std::string error;              // non-empty: the command line was refused
};
Options ParseCommandLine(const std::vector<std::string>& args);  // without the program name
extern const char* const kUsage;

// ---------------------------------------------------------------------------
// Layout of one page, in client pixels of the page. The metrics come from
// the dialog font.

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct FontMetrics {
    int height = 13;     // of a line of text
    int charWidth = 6;   // average character width
    int letterWidth = 8; // the wider of "L" and "R", the balance's labels
};

// Which rows a page's strips need; a row any strip needs is kept in all, so
// the faders of a page line up.
struct PageRows {
    bool balance = false;
    bool boost = false;
    bool mute = false;
    bool select = false;
    bool meters = false;     // a peak meter beside each fader
    bool sidePanel = false;  // the recording page's source list on the right
};

// The rows of a page of the strip table: the playback page has meters, the
// recording page the source list.
PageRows RowsFor(Page page);

struct StripRects {
    Rect group, balance, balanceLeft, balanceRight, balanceText, meter, fader, value, boost, mute, select;
};

struct PageLayout {
    std::vector<StripRects> strips;
    Rect side;                 // the side panel's group box (empty without one)
    Rect sideMode, sideList, sideMeter;
};

PageLayout LayOutPage(const PageRows& rows, int stripCount, int width, int height, const FontMetrics& font);
// The smallest page that LayOutPage fills without squeezing a control.
void MinimumPageSize(const PageRows& rows, int stripCount, const FontMetrics& font, int* width, int* height);

}  // namespace mixerpanel
