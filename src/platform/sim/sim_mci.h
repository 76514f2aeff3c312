// Test-facing side of the simulated MCI ("cdaudio" devices), MCI error texts
// and message boxes.
//
// mciSendCommandA follows winmm's documented contract for the commands a CD
// player sends:
//  - MCI_OPEN (device argument ignored) needs MCI_OPEN_TYPE and a record whose
//    device type is "cdaudio" (compared without case); it writes a new device
//    id into the record. Ids start at 1 and are never reused until Reset(), so
//    every open gives a distinct id, also while an earlier one is still open.
//    A new device starts stopped at position 0 in the MSF time format.
//  - MCI_SET with MCI_SET_TIME_FORMAT: milliseconds, MSF or TMSF; any other
//    format fails with MCIERR_BAD_TIME_FORMAT.
//  - MCI_PLAY: with MCI_FROM the position becomes dwFrom; the device plays on
//    (there is no disc clock: it stays "playing" until stopped or closed).
//  - MCI_STOP stops; MCI_CLOSE closes (the id is then unknown).
//  - A device id that is not open fails with MCIERR_INVALID_DEVICE_ID, a
//    missing record where one is needed with MCIERR_NULL_PARAMETER_BLOCK, any
//    other command with MCIERR_UNRECOGNIZED_COMMAND.
// A failed command (injected or not) changes no device.
//
// Fault injection: sim::FailFunction("mciSendCommandA", code, k) counts every
// MCI command; FailMciCommand counts commands of one kind only. The code may be
// any 32-bit value (drivers put their own bits in the high word).
//
// mciGetErrorStringA knows a text for a fixed set of MCI codes (MciErrorText).
// For any other code it returns FALSE; a code in the MCI range (MCIERR_BASE up
// to MCIERR_CUSTOM_DRIVER_BASE) leaves an empty string, as the platform's
// resource lookup does, and a code outside it leaves the buffer untouched.
//
// MessageBoxA records its arguments and returns IDOK at once.
//
// A drive that takes its time: while opens are held (HoldMciOpens), every
// MCI_OPEN waits, as an open waits for a drive to spin up, until
// ReleaseMciOpens() or Reset(). It waits before it takes the platform's
// lock, so that every other platform call, other MCI commands included, goes
// on meanwhile.
#pragma once

#include "sim.h"

#include <string>
#include <vector>

namespace sim {

struct MciCommand {
    MCIDEVICEID device = 0;
    UINT command = 0;
    DWORD flags = 0;
    bool hasRecord = false;    // a parameter record was passed
    DWORD_PTR callback = 0;    // dwCallback of the record
    std::string deviceType;    // MCI_OPEN: lpstrDeviceType ("" when null)
    DWORD timeFormat = 0;      // MCI_SET: dwTimeFormat
    DWORD from = 0;            // MCI_PLAY: dwFrom
    DWORD to = 0;              // MCI_PLAY: dwTo
    MCIDEVICEID openedId = 0;  // MCI_OPEN: the id written back on success
    MCIERROR result = 0;
    bool injected = false;
};

struct MciDevice {
    MCIDEVICEID id = 0;
    std::string type;
    bool open = false;
    DWORD timeFormat = MCI_FORMAT_MSF;
    bool playing = false;
    DWORD position = 0;  // in the time format current when it was set
};

struct ErrorTextRequest {
    MCIERROR code = 0;
    UINT length = 0;     // cchText
    bool known = false;  // the call returned TRUE
};

struct MessageBoxCall {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    bool nullText = false;
    bool nullCaption = false;
    UINT type = 0;
};

// Every mciSendCommandA call since Reset(), in order.
const std::vector<MciCommand>& MciCommands();
// Every device ever opened since Reset() (closed ones stay, with open false);
// null for an id never handed out.
const MciDevice* FindMciDevice(MCIDEVICEID id);
int OpenMciDevices();

// Fails commands of one kind with `code`: occurrence 0 fails every such
// command, k the kth one from now (1-based). Several kinds may be armed.
void FailMciCommand(UINT command, MCIERROR code, int occurrence = 0);

// The text mciGetErrorStringA gives for a code; "" when it has none.
std::string MciErrorText(MCIERROR code);
const std::vector<ErrorTextRequest>& ErrorTextRequests();

const std::vector<MessageBoxCall>& MessageBoxes();

// The held opens; these three may be called while other threads call the
// platform.
void HoldMciOpens();
void ReleaseMciOpens();
// Waits until at least `count` MCI_OPEN commands are held, or until
// timeoutMs milliseconds have passed; true when they are.
bool AwaitHeldMciOpens(int count, DWORD timeoutMs);

}  // namespace sim
