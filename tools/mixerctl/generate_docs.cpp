// Writes mixerctl's manual page and bash completion from their templates,
// filling in what the command table says: the synopsis, the option and
// command lines of the manual page, the completion's words; and the text of
// `mixerctl COMMAND --help` from the manual page's paragraph on each
// command, as C++ source. Run at build time with the host's compiler, in
// both builds.
//
//   generate_docs man TEMPLATE OUTPUT
//   generate_docs completion TEMPLATE OUTPUT
//   generate_docs help MANUAL_TEMPLATE OUTPUT.cpp
//
// A template's markers: "@SYNOPSIS@", "@OPTION --name@" and "@COMMAND name@"
// (a line each) in the manual page, "@GLOBAL_OPTIONS@",
// "@VALUED_GLOBAL_OPTIONS@", "@COMMANDS@", "@COMMAND_OPTIONS@" and
// "@FIRST_WORDS@" in the completion. A marker line the table does not know,
// or an option or command of the table a template leaves out, is an error.
#define MIXERCTL_DOCS_ONLY
#include "command_table.h"

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

using namespace mixerctl;

// Every `from` of `text` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A synopsis in troff: options and literal words bold, placeholders italic.
std::string Troff(const std::string& usage) {
    static const std::regex word(R"([-\w]+)");
    std::string out, rest = usage;
    for (std::smatch m; std::regex_search(rest, m, word); rest = m.suffix())
        out += m.prefix().str() + (IsPlaceholder(m.str()) ? "\\fI" : "\\fB") + Replaced(m.str(), "-", "\\-") + "\\fR";
    return out + rest;
}

// Puts each marker's text in its place; a marker the template lacks, or a
// line of the form "@...@" the table has no text for, is an error.
std::string Fill(std::string text, const std::map<std::string, std::string>& fill) {
    for (const auto& f : fill) {
        if (text.find(f.first) == std::string::npos) throw std::runtime_error("the template leaves out " + f.first);
        text = Replaced(text, f.first, f.second);
    }
    const size_t stray = text.find("\n@") + 1;  // 0 when there is none
    if (stray != 0)
        throw std::runtime_error("the table has nothing for " + text.substr(stray, text.find('\n', stray) - stray));
    return text;
}

std::string Man(const std::string& page) {
    std::map<std::string, std::string> fill;  // marker -> text
    for (const Command& c : kCommands) {
        fill["@SYNOPSIS@\n"] += ".B mixerctl\n.RI [ OPTIONS ]\n" + Troff(c.usage) + "\n.br\n";
        fill["@COMMAND " + std::string(c.name) + "@\n"] = ".TP\n" + Troff(c.usage) + "\n";
    }
    for (const GlobalOption& o : kGlobalOptions) {
        const std::string name = (o.shortName[0] ? Troff(o.shortName) + ", " : "") + Troff(o.longName);
        fill["@OPTION " + std::string(o.longName) + "@\n"] = ".TP\n" + name + (o.value[0] ? " " + Troff(o.value) : "");
        fill["@OPTION " + std::string(o.longName) + "@\n"] += "\n";
    }
    return Fill(page, fill);
}

std::string Completion(const std::string& text) {
    std::map<std::string, std::string> fill;  // marker -> text
    auto add = [&fill](const std::string& marker, const std::string& word, const char* separator) {
        fill[marker] += (fill[marker].empty() ? "" : separator) + word;
    };
    for (const GlobalOption& o : kGlobalOptions) {
        if (o.shortName[0]) add("@GLOBAL_OPTIONS@", o.shortName, " ");
        add("@GLOBAL_OPTIONS@", o.longName, " ");
        if (o.value[0]) add("@VALUED_GLOBAL_OPTIONS@", o.longName, " | ");
    }
    // Each command's case arm, where it has options or literal first words.
    for (const Command& c : kCommands) {
        add("@COMMANDS@", c.name, " ");
        std::string options, words;
        for (const UsageOption& o : UsageOptions(c.usage)) options += " " + o.name;
        for (const std::string& w : FirstArgumentWords(c.usage)) words += " " + w;
        const std::string arm = "    " + std::string(c.name) + ") printf '%s\\n'";
        fill["@COMMAND_OPTIONS@\n"] += options.empty() ? "" : arm + options + " ;;\n";
        fill["@FIRST_WORDS@\n"] += words.empty() ? "" : arm + words + " ;;\n";
    }
    return Fill(text, fill);
}

// A line of the manual page as plain text: a font request's arguments
// (double quotes group; the alternating fonts' without spaces between),
// nothing for the other requests; escapes as the characters they stand for.
std::string PlainLine(std::string text) {
    static const std::regex font(R"(\.([BI]|[BIR][BIR])(?: (.*))?)"), argument(R"re("([^"]*)"|([^ "]+))re");
    std::smatch m;
    if (!text.empty() && text[0] == '.') {
        const std::string arguments = std::regex_match(text, m, font) ? m[2].str() : "";
        const char* separator = m.size() && m[1].length() == 1 ? " " : "";
        text.clear();
        for (std::sregex_iterator a(arguments.begin(), arguments.end(), argument), end; a != end; ++a)
            text += (text.empty() ? "" : separator) + (*a)[1].str() + (*a)[2].str();
    }
    const std::pair<const char*, const char*> escapes[] = {{"\\(dq", "\""}, {"\\(mu", "x"}, {"\\-", "-"},
                                                           {"\\fB", ""},    {"\\fI", ""},   {"\\fR", ""},
                                                           {"\\fP", ""},    {"\\&", ""},    {"\\e", "\\"}};
    for (const auto& e : escapes) text = Replaced(text, e.first, e.second);
    return text;
}

// Each command's paragraph of the manual page as plain text, wrapped at 78
// columns: C++ source of mixerctl's CommandDetails().
std::string Help(const std::string& page) {
    std::map<std::string, std::string> details;
    std::istringstream in(page);
    std::string line, command;
    while (std::getline(in, line)) {
        if (line.rfind("@COMMAND ", 0) == 0) command = line.substr(9, line.size() - 10);
        else if (line.rfind(".SH", 0) == 0) command.clear();
        else if (!command.empty()) details[command] += PlainLine(line) + " ";
    }
    std::string out = "// Written by generate_docs from the manual page; do not edit.\n#include \"command_table.h\"\n\n"
                      "const char* mixerctl::CommandDetails(const std::string& name) {\n";
    for (const Command& c : kCommands) {
        std::istringstream words(details[c.name]);
        std::string word, text, row;
        while (words >> word) {
            if (!row.empty() && row.size() + 1 + word.size() > 78) text += row + "\n", row.clear();
            row += (row.empty() ? "" : " ") + word;
        }
        if (row.empty()) throw std::runtime_error(std::string("the manual page says nothing of ") + c.name);
        out += "    if (name == \"" + std::string(c.name) + "\") return R\"mixerctl(" + text + row + "\n)mixerctl\";\n";
    }
    return out + "    return \"\";\n}\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::map<std::string, std::string (*)(const std::string&)> kinds = {
        {"man", Man}, {"completion", Completion}, {"help", Help}};
    if (argc != 4 || !kinds.count(argv[1])) {
        std::cerr << "usage: generate_docs man|completion|help TEMPLATE OUTPUT\n";
        return 2;
    }
    try {
        std::ifstream in(argv[2], std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) throw std::runtime_error("cannot read the template");
        std::ofstream file(argv[3], std::ios::binary);
        file << kinds.at(argv[1])(text.str());
        if (!file.flush()) throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "generate_docs: " << argv[2] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
