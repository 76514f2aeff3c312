// A peak meter: a segmented bar (green, yellow from -12 dB, red from -3 dB)
// with a peak mark, vertical or horizontal as its window is taller or wider.
// It shows the MeterState it is given and is redrawn when that changes.
#pragma once

#include "model.h"

#include <windows.h>

namespace mixerpanel {

extern const char* const kMeterClass;
bool RegisterMeterClass(HINSTANCE instance);
// The state the meter shows; it must outlive the window.
void AttachMeterState(HWND meter, const MeterState* state);

}  // namespace mixerpanel
