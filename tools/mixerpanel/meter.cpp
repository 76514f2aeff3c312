#include "meter.h"

#include <algorithm>

namespace mixerpanel {

const char* const kMeterClass = "MixerPanelMeter";

namespace {

constexpr double kYellowFrom = 0.8;  // -12 dB on the 60 dB scale
constexpr double kRedFrom = 0.95;    // -3 dB

COLORREF ZoneColour(double at, bool lit) {
    if (at >= kRedFrom) return lit ? RGB(235, 64, 52) : RGB(70, 30, 28);
    if (at >= kYellowFrom) return lit ? RGB(240, 200, 40) : RGB(70, 62, 24);
    return lit ? RGB(60, 200, 90) : RGB(28, 58, 36);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Paint(HWND window, HDC target) {
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    // Drawn off screen, then copied: 20 redraws a second must not flicker.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, w, h);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);

    const MeterState* state = reinterpret_cast<const MeterState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const bool enabled = IsWindowEnabled(window) && state;
    Fill(dc, client, GetSysColor(COLOR_BTNSHADOW));
    RECT well = {1, 1, w - 1, h - 1};
    Fill(dc, well, enabled ? RGB(22, 26, 30) : GetSysColor(COLOR_BTNFACE));
    if (enabled) {
        const bool vertical = h >= w;
        const int length = (vertical ? h : w) - 4;
        const int segment = 4;  // 3 pixels lit, 1 dark
        const double level = state->level, peak = state->peak;
        const int peakAt = static_cast<int>(peak * length);
        for (int at = 0; at + segment - 1 <= length; at += segment) {
            const double fraction = static_cast<double>(at + segment) / length;
            const bool lit = fraction <= level + 1e-9 || (peak > 0.01 && at <= peakAt && peakAt < at + segment);
            RECT r;
            if (vertical)
                r = {2, h - 2 - at - (segment - 1), w - 2, h - 2 - at};
            else
                r = {2 + at, 2, 2 + at + segment - 1, h - 2};
            Fill(dc, r, ZoneColour(fraction, lit));
        }
    }
    BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

LRESULT CALLBACK MeterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        Paint(window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterMeterClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MeterProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kMeterClass;
    return RegisterClassA(&wc) != 0;
}

void AttachMeterState(HWND meter, const MeterState* state) {
    SetWindowLongPtrA(meter, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    InvalidateRect(meter, nullptr, FALSE);
}

}  // namespace mixerpanel
