/* A control's range, asked of winmm directly: MIXER.DLL passes levels
   through in the control's own units and reports no bounds. Prints the range
   of the main volume and of the recording peak meter. Exit status: 0 done,
   1 no mixer device. Link with winmm (-lwinmm). */
#include <stdio.h>
#include <windows.h>
#include <mmsystem.h>

/* The first control of a type on the first line of a component type. */
static int FindControl(HMIXER mixer, DWORD componentType, DWORD controlType, MIXERCONTROLA *control)
{
    MIXERLINEA line;
    MIXERLINECONTROLSA request;
    ZeroMemory(&line, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    if (mixerGetLineInfoA((HMIXEROBJ)mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return 0;
    ZeroMemory(&request, sizeof request);
    ZeroMemory(control, sizeof *control);
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof *control;
    request.pamxctrl = control;
    return mixerGetLineControlsA((HMIXEROBJ)mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
}

int main(void)
{
    HMIXER mixer;
    MIXERCONTROLA control;
    if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
        printf("no mixer device\n");
        return 1;
    }
    /* Volume: unsigned bounds. */
    if (FindControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME, &control))
        printf("main volume: %lu to %lu\n", control.Bounds.dwMinimum, control.Bounds.dwMaximum);
    else
        printf("main volume: no control\n");
    /* Peak meter: signed bounds; GetPeak reports the magnitude. */
    if (FindControl(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_PEAKMETER, &control))
        printf("recording peak meter: %ld to %ld\n", control.Bounds.lMinimum, control.Bounds.lMaximum);
    else
        printf("recording peak meter: no control\n");
    mixerClose(mixer);
    return 0;
}
