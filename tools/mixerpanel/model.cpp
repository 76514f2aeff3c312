#include "model.h"

#include "core/line_table.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace mixerpanel {

namespace {

// A strip's exports are the per-line table's (core/line_table.h) rows of its
// line on its page's side; "" where the library has none.
constexpr const char* SetterOf(const LineRow* row) { return row != nullptr ? row->setter : ""; }
constexpr const char* GetterOf(const LineRow* row) {
    return row != nullptr && row->getter != nullptr && row->kind != RowBoost ? row->getter : "";
}

constexpr Override OverrideOf(LineId line) {
    switch (LineOf(line).override) {
    case OverrideLineIn:
    case OverrideDigital: return Override::NameFile;
    case OverrideDigitalCD: return Override::NameFileDigitalCD;
    case OverrideNone: break;
    }
    return Override::None;
}

constexpr StripSpec MakeStrip(const char* label, OpSide side, LineId line) {
    const LineRow* volume = FindLineRow(line, side, PropVolume);
    const LineRow* mute = FindLineRow(line, side, PropMute);
    const LineRow* balance = FindLineRow(line, side, PropBalance);
    const LineRow* select = FindLineRow(line, side, PropSelect);
    return {label,
            LineOf(line).componentType,
            volume != nullptr && OpAddressesDestination(volume->op),
            GetterOf(volume),
            SetterOf(volume),
            GetterOf(mute),
            SetterOf(mute),
            SetterOf(balance),
            SetterOf(FindLineRow(line, side, PropBoost)),
            GetterOf(select),
            SetterOf(select),
            select != nullptr ? static_cast<int>(LineOf(line).recSource) : 0,
            OverrideOf(line),
            // The balance's position is remembered under its setter's name
            // without "Set".
            balance != nullptr ? balance->setter + 3 : ""};
}

// The strips of each page in the order shown, with their labels.
const StripSpec kStrips[kPageCount][kStripsPerPage] = {
    {
        MakeStrip("Main", SidePlay, LineMain),
        MakeStrip("Wave", SidePlay, LineWaveOut),
        MakeStrip("Line In", SidePlay, LineLineIn),
        MakeStrip("Microphone", SidePlay, LineMic),
        MakeStrip("CD", SidePlay, LineCD),
        MakeStrip("Auxiliary", SidePlay, LineAux),
        MakeStrip("Digital", SidePlay, LineDigital),
    },
    {
        MakeStrip("Line In", SideRec, LineLineIn),
        MakeStrip("Microphone", SideRec, LineMic),
        MakeStrip("CD", SideRec, LineCD),
        MakeStrip("Auxiliary", SideRec, LineAux),
        MakeStrip("Wave", SideRec, LineWaveOut),
        MakeStrip("Digital", SideRec, LineDigital),
        MakeStrip("Analog", SideRec, LineAnalog),
    },
};

const char* const kOtherExports[] = {
    "GetPeak",     "GetMicBoostMode",          "SelectLine", "IsMuxSingleSelect", "GetMixerRecordChannels",
    "Save",        "Set",                      "ReadDigitalConfiguration",        "SetSoundCardConfigFilePath",
    "OpenCD",      "PlayCD",                   "StopCD",     "CloseCD",           "SetCDTypeDigital",
    "GetCDTypeDigital",
};

int64_t RoundedDivide(int64_t numerator, int64_t denominator) {
    // Both non-negative here.
    return (numerator + denominator / 2) / denominator;
}

}  // namespace

const StripSpec& Strip(Page page, int index) { return kStrips[static_cast<int>(page)][index]; }

std::vector<std::string> ExportsUsed() {
    std::vector<std::string> names;
    std::set<std::string> seen;
    auto add = [&](const char* name) {
        if (*name && seen.insert(name).second) names.push_back(name);
    };
    for (const auto& page : kStrips)
        for (const StripSpec& s : page) {
            for (const char* name : {s.volumeGet, s.volumeSet, s.muteGet, s.muteSet, s.balanceSet, s.boostSet,
                                     s.selectGet, s.selectSet})
                add(name);
        }
    for (const char* name : kOtherExports) add(name);
    return names;
}

// ---------------------------------------------------------------------------

FaderScale MakeFaderScale(int64_t minimum, int64_t maximum) {
    FaderScale s;
    if (maximum < minimum) std::swap(minimum, maximum);
    s.minimum = minimum;
    s.maximum = maximum;
    const int64_t span = maximum - minimum;
    s.steps = span == 0 ? 1 : static_cast<int>(std::min<int64_t>(span, 65535));
    return s;
}

int FaderPosition(const FaderScale& s, int64_t value) {
    const int64_t span = s.maximum - s.minimum;
    if (span == 0) return 0;
    value = std::clamp(value, s.minimum, s.maximum);
    return s.steps - static_cast<int>(RoundedDivide((value - s.minimum) * s.steps, span));
}

int64_t FaderValue(const FaderScale& s, int position) {
    const int64_t span = s.maximum - s.minimum;
    position = std::clamp(position, 0, s.steps);
    return s.minimum + RoundedDivide(static_cast<int64_t>(s.steps - position) * span, s.steps);
}

int Percent(const FaderScale& s, int64_t value) {
    const int64_t span = s.maximum - s.minimum;
    if (span == 0) return value >= s.maximum ? 100 : 0;
    value = std::clamp(value, s.minimum, s.maximum);
    return static_cast<int>(RoundedDivide((value - s.minimum) * 100, span));
}

int LineStep(const FaderScale& s) { return std::max(1, s.steps / 100); }
int PageStep(const FaderScale& s) { return std::max(1, s.steps / 10); }

std::string BalanceText(int position) {
    position = std::clamp(position, 0, kBalancePositions - 1);
    if (position == kBalanceCentre) return "Centre-left";
    if (position == kBalanceCentre + 1) return "Centre-right";
    if (position < kBalanceCentre) return "Left " + std::to_string(kBalanceCentre - position);
    return "Right " + std::to_string(position - kBalanceCentre - 1);
}

// ---------------------------------------------------------------------------

double MeterFraction(int64_t magnitude, int64_t maximum) {
    if (maximum <= 0) maximum = 32768;
    if (magnitude <= 0) return 0;
    const double ratio = std::min(1.0, static_cast<double>(magnitude) / static_cast<double>(maximum));
    const double decibels = 20.0 * std::log10(ratio);
    return std::clamp(1.0 + decibels / 60.0, 0.0, 1.0);
}

bool MeterTick(MeterState& m, double fraction) {
    // The bar rises at once and falls 1.8 dB a tick (36 dB a second at
    // 20 Hz); the mark holds, then falls a little faster than the bar.
    constexpr double kFall = 0.03;
    constexpr double kPeakFall = 0.04;
    const MeterState before = m;
    fraction = std::clamp(fraction, 0.0, 1.0);
    m.level = fraction >= m.level ? fraction : std::max(fraction, m.level - kFall);
    if (fraction >= m.peak) {
        m.peak = fraction;
        m.hold = kMeterHoldTicks;
    } else if (m.hold > 0) {
        --m.hold;
    } else {
        m.peak = std::max(m.level, m.peak - kPeakFall);
    }
    return std::fabs(m.level - before.level) > 1e-3 || std::fabs(m.peak - before.peak) > 1e-3;
}

// ---------------------------------------------------------------------------

RecordChannels ParseRecordChannels(const std::string& text) {
    RecordChannels r;
    std::vector<std::string> fields;
    size_t start = 0;
    while (start < text.size()) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            fields.push_back(text.substr(start));
            break;
        }
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    if (fields.empty()) return r;
    r.product = fields[0];
    r.items.assign(fields.begin() + 1, fields.end());
    return r;
}

BoostState BoostAfterReading(BoostState shown, int32_t reading) {
    if (reading < 0) return shown;  // no answer: nothing learnt
    if (reading > 0) return {Tri::On, Tri::On};
    // 0: the recording side is off, or it is on and the playback side off.
    // Both shown on contradicts that: someone else changed one of them.
    if (shown.play == Tri::On && shown.rec == Tri::On) return {Tri::Unknown, Tri::Unknown};
    return shown;
}

// ---------------------------------------------------------------------------

const char* const kUsage =
    "mixerpanel [options]\n"
    "  --dll NAME            load this library instead of MIXER.DLL\n"
    "  --page playback|recording\n"
    "                        the page shown first\n"
    "  --settings-file FILE  Save and Restore settings use FILE without asking\n"
    "  --names-dir DIR       Load sound card names searches DIR without asking\n"
    "  --help                this text";

Options ParseCommandLine(const std::vector<std::string>& args) {
    Options o;
    for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            o.help = true;
            continue;
        }
        if (a != "--dll" && a != "--page" && a != "--settings-file" && a != "--names-dir") {
            o.error = "unknown option \"" + a + "\"";
            break;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            o.error = a + " needs a value";
            break;
        }
        const std::string& v = args[++i];
        if (a == "--dll") {
            o.dll = v;
        } else if (a == "--settings-file") {
            o.settingsFile = v;
        } else if (a == "--names-dir") {
            o.namesDir = v;
        } else if (v == "playback") {
            o.page = Page::Playback;
        } else if (v == "recording") {
            o.page = Page::Recording;
        } else {
            o.error = "--page takes playback or recording, not \"" + v + "\"";
        }
    }
    return o;
}

// ---------------------------------------------------------------------------

namespace {

struct Metrics {
    int margin, pad, title, balance, label, check, value, fader, meter, gap, minStrip, minFader, side;
};

Metrics MetricsFor(const FontMetrics& f) {
    const int h = std::max(f.height, 8);
    const int cw = std::max(f.charWidth, 4);
    Metrics m;
    m.margin = std::max(4, h / 2);
    m.pad = std::max(4, cw);
    m.title = h + m.margin / 2;
    m.balance = std::max(22, h * 2);
    m.label = h;
    m.check = h + h / 2;
    m.value = h + 4;
    m.fader = std::max(26, h * 2 + 4);
    m.meter = std::max(8, h * 3 / 4);
    m.gap = std::max(3, m.margin / 2);
    m.minStrip = std::max(14 * cw, m.fader + m.meter + m.gap + 2 * m.pad);  // room for "Centre-right"
    m.minFader = 6 * h;
    m.side = 26 * cw;
    return m;
}

int BottomRows(const PageRows& rows, const Metrics& m) {
    return m.value + (rows.boost ? m.check : 0) + (rows.mute ? m.check : 0) + (rows.select ? m.check : 0);
}

int TopRows(const PageRows& rows, const Metrics& m) {
    return m.title + (rows.balance ? m.balance + m.label + m.gap : 0);
}

Rect MakeRect(int left, int top, int right, int bottom) {
    Rect r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

}  // namespace

PageRows RowsFor(Page page) {
    PageRows rows;
    for (int i = 0; i < kStripsPerPage; ++i) {
        const StripSpec& s = Strip(page, i);
        rows.balance |= *s.balanceSet != 0;
        rows.boost |= *s.boostSet != 0;
        rows.mute |= *s.muteSet != 0;
        rows.select |= *s.selectSet != 0;
    }
    rows.meters = page == Page::Playback;
    rows.sidePanel = page == Page::Recording;
    return rows;
}

void MinimumPageSize(const PageRows& rows, int stripCount, const FontMetrics& font, int* width, int* height) {
    const Metrics m = MetricsFor(font);
    *width = 2 * m.margin + stripCount * m.minStrip + (rows.sidePanel ? m.side + m.margin : 0);
    *height = 2 * m.margin + TopRows(rows, m) + m.minFader + m.gap + BottomRows(rows, m) + m.pad;
}

PageLayout LayOutPage(const PageRows& rows, int stripCount, int width, int height, const FontMetrics& font) {
    const Metrics m = MetricsFor(font);
    int minWidth = 0, minHeight = 0;
    MinimumPageSize(rows, stripCount, font, &minWidth, &minHeight);
    width = std::max(width, minWidth);
    height = std::max(height, minHeight);

    PageLayout out;
    const int top = m.margin;
    const int bottom = height - m.margin;
    int stripsRight = width - m.margin;
    if (rows.sidePanel) {
        out.side = MakeRect(width - m.margin - m.side, top, width - m.margin, bottom);
        stripsRight = out.side.left - m.margin;
        const Rect& g = out.side;
        out.sideMode = MakeRect(g.left + m.pad, g.top + m.title + m.gap, g.right - m.pad,
                                g.top + m.title + m.gap + 2 * font.height + 4);
        out.sideMeter = MakeRect(g.left + m.pad, g.bottom - m.pad - m.meter - 2, g.right - m.pad, g.bottom - m.pad);
        out.sideList = MakeRect(g.left + m.pad, out.sideMode.bottom + m.gap, g.right - m.pad,
                                out.sideMeter.top - m.gap);
    }
    const int left = m.margin;
    const int available = stripsRight - left;
    for (int i = 0; i < stripCount; ++i) {
        StripRects s;
        // Spread the remainder so the strips end exactly at the right edge.
        const int x0 = left + static_cast<int>(static_cast<int64_t>(available) * i / stripCount);
        const int x1 = left + static_cast<int>(static_cast<int64_t>(available) * (i + 1) / stripCount);
        s.group = MakeRect(x0 + (i == 0 ? 0 : m.gap / 2), top, x1 - (i + 1 == stripCount ? 0 : m.gap - m.gap / 2),
                           bottom);
        const Rect& g = s.group;
        const int innerLeft = g.left + m.pad;
        const int innerRight = g.right - m.pad;
        int y = g.top + m.title;
        if (rows.balance) {
            // "L", the trackbar, "R"; under them the position in words.
            // Room for the letter and two pixels either side: a label drawn
            // outside its window is lost at the next page switch.
            const int label = std::max({8, font.charWidth * 3 / 2, font.letterWidth + 4});
            s.balanceLeft = MakeRect(innerLeft - m.pad / 2, y + 2, innerLeft - m.pad / 2 + label, y + 2 + font.height);
            s.balanceRight = MakeRect(innerRight + m.pad / 2 - label, y + 2, innerRight + m.pad / 2, y + 2 + font.height);
            s.balance = MakeRect(s.balanceLeft.right, y, s.balanceRight.left, y + m.balance);
            s.balanceText = MakeRect(g.left + 2, y + m.balance, g.right - 2, y + m.balance + m.label);
            y += m.balance + m.label + m.gap;
        }
        int yb = g.bottom - m.pad;
        if (rows.select) {
            s.select = MakeRect(innerLeft, yb - m.check, innerRight, yb);
            yb -= m.check;
        }
        if (rows.mute) {
            s.mute = MakeRect(innerLeft, yb - m.check, innerRight, yb);
            yb -= m.check;
        }
        if (rows.boost) {
            s.boost = MakeRect(innerLeft, yb - m.check, innerRight, yb);
            yb -= m.check;
        }
        s.value = MakeRect(innerLeft, yb - m.value, innerRight, yb);
        yb -= m.value + m.gap;
        const int pair = m.fader + (rows.meters ? m.gap + m.meter : 0);
        const int x = g.left + (g.Width() - pair) / 2;
        s.fader = MakeRect(x, y, x + m.fader, yb);
        if (rows.meters) s.meter = MakeRect(s.fader.right + m.gap, y + m.pad, s.fader.right + m.gap + m.meter,
                                            yb - m.pad);
        out.strips.push_back(s);
    }
    return out;
}

}  // namespace mixerpanel
