/* Linked with the import library: reads, halves and restores the main volume.
   Exit status: 0 done, 1 no mixer device, 2 a setter did not return 1. */
#include <stdio.h>
#include "mixer.h"

int main(void)
{
    LONG volume = GetPlayMainVolume();   /* -1: no mixer device */
    if (volume < 0) {
        printf("no mixer device\n");
        return 1;
    }
    if (SetPlayMainVolume(volume / 2) != 1) return 2;
    printf("main volume %ld, halved %ld\n", volume, GetPlayMainVolume());
    return SetPlayMainVolume(volume) == 1 ? 0 : 2;
}
