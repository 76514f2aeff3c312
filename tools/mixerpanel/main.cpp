// mixerpanel: a mixer panel for Windows over MIXER.DLL, which it loads by
// name. See README.md ("mixerpanel") for what it shows and its options.
#include "panel.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.push_back(__argv[i]);
    static mixerpanel::Panel panel;  // lives as long as the window
    panel.instance = instance;
    panel.options = mixerpanel::ParseCommandLine(args);
    if (!panel.options.error.empty()) {
        const std::string text = panel.options.error + ".\n\n" + mixerpanel::kUsage;
        MessageBoxA(nullptr, text.c_str(), "MIXER panel", MB_OK | MB_ICONERROR);
        return 2;
    }
    if (panel.options.help) {
        MessageBoxA(nullptr, mixerpanel::kUsage, "MIXER panel", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (!mixerpanel::CreatePanel(&panel, show)) return 1;
    return mixerpanel::RunPanel(&panel);
}
