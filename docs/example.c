/* Linked with the import library: reads, halves and restores the main volume. */
#include <stdio.h>
#include "mixer.h"

int main(void)
{
    LONG volume = GetPlayMainVolume();   /* -1: no mixer device */
    if (volume < 0 || SetPlayMainVolume(volume / 2) != 1) return 1;
    printf("main volume %ld, halved %ld\n", volume, GetPlayMainVolume());
    return SetPlayMainVolume(volume) == 1 ? 0 : 1;
}
