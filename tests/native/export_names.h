// The library's exported names, as the .def file beside the sources lists
// them: the suites that call every export check their list against it.
#pragma once

#include <fstream>
#include <set>
#include <sstream>
#include <string>

inline std::set<std::string> DefExportNames() {
    const std::string here = __FILE__;
    const std::string def = here.substr(0, here.rfind("tests/native/")) + "src/MIXER.def";
    std::ifstream in(def);
    std::set<std::string> names;
    std::string line;
    bool exports = false;
    while (std::getline(in, line)) {
        if (line.rfind("EXPORTS", 0) == 0) {
            exports = true;
            continue;
        }
        std::istringstream words(line);
        std::string name;
        if (exports && (words >> name) && name[0] != ';') names.insert(name);
    }
    return names;
}
