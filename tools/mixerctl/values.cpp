#include "mixerctl.h"


#include <algorithm>
#include <cctype>

namespace mixerctl {
namespace {

constexpr long long kLargestNumber = 0xFFFFFFFFLL;

// Digits of `base` only, at least one, at most kLargestNumber.
bool Digits(const std::string& text, size_t from, int base, long long* out) {
    if (from >= text.size()) return false;
    long long v = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (base == 16 && std::isxdigit(ch)) digit = std::tolower(ch) - 'a' + 10;
        else return false;
        v = v * base + digit;
        if (v > kLargestNumber) return false;
    }
    *out = v;
    return true;
}

}  // namespace

bool ParseLevel(const std::string& text, TypedValue* out) {
    if (text.size() < 2 && !(text.size() == 1 && text[0] >= '0' && text[0] <= '9')) return false;
    // A step: a sign before (+N, +N%, -N%) or after (N+, N-, N%+, N%-).
    char sign = 0;
    std::string body = text;
    if (text.back() == '+' || text.back() == '-') {
        sign = text.back();
        body = text.substr(0, text.size() - 1);
    } else if (text[0] == '+' || (text[0] == '-' && text.back() == '%')) {
        sign = text[0];
        body = text.substr(1);
    }
    const bool percent = !body.empty() && body.back() == '%';
    if (percent) body.pop_back();
    long long n;
    if (sign) {
        if (!Digits(body, 0, 10, &n) || (percent && n > 100)) return false;
        out->form = percent ? ValueForm::RelativePercent : ValueForm::Relative;
        out->number = sign == '-' ? -n : n;
        return true;
    }
    if (percent) {
        if (!Digits(body, 0, 10, &n) || n > 100) return false;
        out->form = ValueForm::Percent;
        out->number = n;
        return true;
    }
    // A level; "-N" is a negative level, which no volume control's range
    // holds (a step down is N- or -N%).
    const bool negative = body[0] == '-';
    const size_t from = negative ? 1 : 0;
    const bool hex = body.size() > from + 2 && body[from] == '0' && (body[from + 1] == 'x' || body[from + 1] == 'X');
    if (!Digits(body, from + (hex ? 2 : 0), hex ? 16 : 10, &n)) return false;
    out->form = ValueForm::Absolute;
    out->number = negative ? -n : n;
    return true;
}

bool ParseSwitch(const std::string& text, bool muteWords, TypedValue* out) {
    const std::string t = Lower(text);
    out->form = ValueForm::Absolute;
    if (t == "1" || t == "on" || (muteWords && t == "mute")) {
        out->number = 1;
    } else if (t == "0" || t == "off" || (muteWords && t == "unmute")) {
        out->number = 0;
    } else if (t == "toggle") {
        out->form = ValueForm::Toggle;
        out->number = 0;
    } else {
        return false;
    }
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
    long long target = 0;
    switch (value.form) {
    case ValueForm::Absolute: return static_cast<LONG>(value.number);
    case ValueForm::Percent: return PercentToLevel(value.number, min, max);
    case ValueForm::Relative: target = static_cast<long long>(current) + value.number; break;
    case ValueForm::RelativePercent:
        target = static_cast<long long>(current) +
                 RoundedDivision(value.number * (static_cast<long long>(max) - min), 100);
        break;
    case ValueForm::Toggle: return current;
    }
    return static_cast<LONG>(std::min<long long>(std::max<long long>(target, min), max));
}

LONG LevelTolerance(LONG min, LONG max, DWORD steps) {
    const long long range = static_cast<long long>(max) - min;
    if (steps == 0 || range <= 0) return 1;
    const long long step = (range + steps - 1) / steps;
    return static_cast<LONG>(std::max<long long>(1, step));
}

bool LevelArrived(long long asked, long long read, LONG tolerance) {
    const long long difference = asked > read ? asked - read : read - asked;
    return difference <= tolerance;
}

}  // namespace mixerctl
