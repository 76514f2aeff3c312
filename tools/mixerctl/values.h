// The values people type for `set` and the arithmetic behind them:
// percentages of a control's range, relative steps, the words for switches,
// and the rule that says whether a written level arrived. Plain functions over plain numbers; the commands read the
// bounds and current values from the mixer and the library.
#pragma once

#include "common.h"

#include <string>

namespace mixerctl {

enum class ValueForm {
    Absolute,         // "20000", "0x4e20", "-1"; switches: 0, 1, on, off, mute, unmute
    Percent,          // "50%": of the control's range
    Relative,         // "+1000", "1000+", "1000-"
    RelativePercent,  // "+5%", "-5%", "5%+", "5%-"
    Toggle,           // "toggle": the switch's other state
};

struct TypedValue {
    ValueForm form = ValueForm::Absolute;
    long long number = 0;  // the level, the percentage (0..100), or the signed step
};

// A level: a decimal or 0x hexadecimal number (-4294967295 to 4294967295; a
// negative one is a level, which the range check refuses), N% with N from 0
// to 100; a step: +N, N+ or N- (N up to 4294967295), +N%, -N%, N%+ or N%- (N
// up to 100). False when the text is none of these.
bool ParseLevel(const std::string& text, TypedValue* out);

// A switch: 0, 1, on, off or toggle, and also mute (1) and unmute (0) when
// `muteWords`; any letter case. False when the text is none of these.
bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out);

// numerator / denominator rounded to nearest, halves away from zero;
// denominator > 0.
long long RoundedDivision(long long numerator, long long denominator);

// min + round(percent * (max - min) / 100), halves away from zero.
LONG PercentToLevel(long long percent, LONG min, LONG max);
// The inverse: round((level - min) * 100 / (max - min)), halves away from
// zero; needs max > min. A level outside the range gives a percentage
// outside 0..100.
long long LevelToPercent(LONG level, LONG min, LONG max);

// The level `value` asks for. Absolute and percent forms stand alone (the
// caller has checked their range); relative forms start at `current` and
// stop at the bounds.
LONG ResolveLevel(const TypedValue& value, LONG current, LONG min, LONG max);

// The largest difference between a level written and the level read back
// that still counts as the level having arrived: one step of the control,
// its range divided by its step count (cSteps) and rounded up; 1 for a
// control that reports no steps. Drivers keep levels with less precision
// than 32 bits (Wine stores a float, so a level often reads back one lower).
LONG LevelTolerance(LONG min, LONG max, DWORD steps);
bool LevelArrived(long long asked, long long read, LONG tolerance);

}  // namespace mixerctl
