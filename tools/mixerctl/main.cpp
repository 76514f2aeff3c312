// mixerctl: a command-line host for MIXER.DLL.
#include "mixerctl.h"

int main(int argc, char** argv) { return mixerctl::Main(argc, argv); }
