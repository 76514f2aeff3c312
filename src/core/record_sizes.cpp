// The platform's mixer records as the library exchanges them with winmm. On
// 32-bit Windows their published sizes are fixed; a header that laid them out
// differently would make every request fail or overrun, so the build stops.
// (The code itself always uses sizeof; the simulated platform on a 64-bit
// host has wider pointer members.)
#include "platform/win.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(MIXERCAPSA) == 48, "MIXERCAPSA");
static_assert(sizeof(MIXERLINEA) == 168, "MIXERLINEA");
static_assert(sizeof(MIXERCONTROLA) == 148, "MIXERCONTROLA");
static_assert(sizeof(MIXERLINECONTROLSA) == 24, "MIXERLINECONTROLSA");
static_assert(sizeof(MIXERCONTROLDETAILS) == 24, "MIXERCONTROLDETAILS");
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXTA) == 72, "MIXERCONTROLDETAILS_LISTTEXTA");
static_assert(sizeof(MIXERCONTROLDETAILS_BOOLEAN) == 4, "MIXERCONTROLDETAILS_BOOLEAN");
static_assert(sizeof(MIXERCONTROLDETAILS_SIGNED) == 4, "MIXERCONTROLDETAILS_SIGNED");
static_assert(sizeof(MIXERCONTROLDETAILS_UNSIGNED) == 4, "MIXERCONTROLDETAILS_UNSIGNED");
#endif
