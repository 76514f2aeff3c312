// The values people type for `set` and the arithmetic behind them.
#include "mixerctl.h"

#include <algorithm>
#include <cstdlib>
#include <regex>

namespace mixerctl {

bool ParseLevel(const std::string& text, TypedValue* out) {
    // A sign before (+N, +N%, -N%, or -N: a negative level) or after (N+, N-,
    // N%+, N%-), never both; hexadecimal for levels only.
    static const std::regex kLevel(R"(([+-]?)(0[xX][0-9a-fA-F]+|[0-9]+)(%?)([+-]?))");
    std::smatch m;
    if (!std::regex_match(text, m, kLevel)) return false;
    const std::string before = m[1], digits = m[2], after = m[4];
    const bool hex = digits.size() > 2 && (digits[1] == 'x' || digits[1] == 'X');
    const bool percent = m[3].length() > 0;
    const bool step = !after.empty() || before == "+" || (before == "-" && percent);
    // Beyond 64 bits strtoull gives its largest value, beyond every limit.
    const unsigned long long n = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if ((!before.empty() && !after.empty()) || (hex && (step || percent)) || n > (percent ? 100 : 0xFFFFFFFFull))
        return false;
    out->form = step ? (percent ? ValueForm::RelativePercent : ValueForm::Relative)
                     : (percent ? ValueForm::Percent : ValueForm::Absolute);
    out->number = before == "-" || after == "-" ? -static_cast<long long>(n) : static_cast<long long>(n);
    return true;
}

bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out) {
    const std::string t = Lower(text);
    const bool on = t == "1" || t == "on" || (muteWords && t == "mute");
    const bool off = t == "0" || t == "off" || (muteWords && t == "unmute");
    if (!on && !off && t != "toggle") return false;
    out->form = t == "toggle" ? ValueForm::Toggle : ValueForm::Absolute;
    out->number = on ? 1 : 0;
    return true;
}

long long RoundedDivision(long long numerator, long long denominator) {
    long long q = numerator / denominator;  // truncated toward zero
    const long long r = numerator % denominator;
    if (2 * (r < 0 ? -r : r) >= denominator) q += numerator < 0 ? -1 : 1;
    return q;
}

LONG PercentToLevel(long long percent, LONG min, LONG max) {
    const long long range = static_cast<long long>(max) - min;
    return static_cast<LONG>(min + RoundedDivision(percent * range, 100));
}

long long LevelToPercent(LONG level, LONG min, LONG max) {
    const long long range = static_cast<long long>(max) - min;
    return RoundedDivision((static_cast<long long>(level) - min) * 100, range);
}

LONG ResolveLevel(const TypedValue& value, LONG current, LONG min, LONG max) {
    long long step = value.number;
    switch (value.form) {
    case ValueForm::Absolute: return static_cast<LONG>(value.number);
    case ValueForm::Percent: return PercentToLevel(value.number, min, max);
    case ValueForm::Toggle: return current;
    case ValueForm::Relative: break;
    case ValueForm::RelativePercent: step = RoundedDivision(value.number * (static_cast<long long>(max) - min), 100);
    }
    const long long target = static_cast<long long>(current) + step;
    return static_cast<LONG>(std::min<long long>(std::max<long long>(target, min), max));
}

LONG LevelTolerance(LONG min, LONG max, DWORD steps) {
    const long long range = static_cast<long long>(max) - min;
    if (steps == 0 || range <= 0) return 1;
    return static_cast<LONG>(std::max<long long>(1, (range + steps - 1) / steps));
}

bool LevelArrived(long long asked, long long read, LONG tolerance) {
    return (asked > read ? asked - read : read - asked) <= tolerance;
}

}  // namespace mixerctl
