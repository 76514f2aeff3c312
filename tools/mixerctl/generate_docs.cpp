// Writes mixerctl's manual page and bash completion from their templates,
// filling in what the command table says: the synopsis, the option and
// command lines of the manual page, the completion's words. Run at build
// time with the host's compiler, in both builds.
//
//   generate_docs man TEMPLATE OUTPUT
//   generate_docs completion TEMPLATE OUTPUT
//
// A template's markers: "@SYNOPSIS@", "@OPTION --name@" and "@COMMAND name@"
// (a line each) in the manual page, "@GLOBAL_OPTIONS@",
// "@VALUED_GLOBAL_OPTIONS@", "@COMMANDS@", "@COMMAND_OPTIONS@" and
// "@FIRST_WORDS@" in the completion. A marker line the table does not know,
// or an option or command of the table a template leaves out, is an error.
#define MIXERCTL_DOCS_ONLY
#include "command_table.h"

#include <cctype>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

using namespace mixerctl;

// A synopsis in troff: options and literal words bold, placeholders italic.
std::string Troff(const std::string& usage) {
    std::string out, word;
    auto flush = [&] {
        if (word.empty()) return;
        std::string escaped;
        for (char ch : word) escaped += ch == '-' ? std::string("\\-") : std::string(1, ch);
        out += (IsPlaceholder(word) ? "\\fI" : "\\fB") + escaped + "\\fR";
        word.clear();
    };
    for (char ch : usage) {
        if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '_') {
            word += ch;
        } else {
            flush();
            out += ch;
        }
    }
    flush();
    return out;
}

std::string Join(const std::vector<std::string>& words, const char* separator) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : separator) + w;
    return out;
}

// Puts each marker's text in its place; a marker the template lacks, or a
// line of the form "@...@" the table has no text for, is an error.
std::string Fill(std::string text, const std::map<std::string, std::string>& fill) {
    for (const auto& f : fill) {
        size_t at = text.find(f.first);
        if (at == std::string::npos) throw std::runtime_error("the template leaves out " + f.first);
        for (; at != std::string::npos; at = text.find(f.first, at + f.second.size()))
            text.replace(at, f.first.size(), f.second);
    }
    const size_t stray = text.find("\n@");
    if (stray != std::string::npos)
        throw std::runtime_error("the table has nothing for " + text.substr(stray + 1, text.find('\n', stray + 1) - stray - 1));
    return text;
}

std::string Man(const std::string& page) {
    std::map<std::string, std::string> fill;  // marker -> text
    for (const Command& c : kCommands) {
        fill["@SYNOPSIS@\n"] += ".B mixerctl\n.RI [ OPTIONS ]\n" + Troff(c.usage) + "\n.br\n";
        fill["@COMMAND " + std::string(c.name) + "@\n"] = ".TP\n" + Troff(c.usage) + "\n";
    }
    for (const GlobalOption& o : kGlobalOptions) {
        const std::string line = (o.shortName[0] ? Troff(o.shortName) + ", " : "") + Troff(o.longName) +
                                 (o.value[0] ? " " + Troff(o.value) : "");
        fill["@OPTION " + std::string(o.longName) + "@\n"] = ".TP\n" + line + "\n";
    }
    return Fill(page, fill);
}

std::string Completion(const std::string& text) {
    std::vector<std::string> all, valued, commands;
    for (const GlobalOption& o : kGlobalOptions) {
        if (o.shortName[0]) all.push_back(o.shortName);
        all.push_back(o.longName);
        if (o.value[0]) valued.push_back(o.longName);
    }
    std::string options, firstWords;
    for (const Command& c : kCommands) {
        commands.push_back(c.name);
        std::vector<std::string> names;
        for (const UsageOption& o : UsageOptions(c.usage)) names.push_back(o.name);
        if (!names.empty()) options += "    " + std::string(c.name) + ") printf '%s\\n' " + Join(names, " ") + " ;;\n";
        const std::vector<std::string> words = FirstArgumentWords(c.usage);
        if (!words.empty()) firstWords += "    " + std::string(c.name) + ") printf '%s\\n' " + Join(words, " ") + " ;;\n";
    }
    return Fill(text, {{"@GLOBAL_OPTIONS@", Join(all, " ")},
                       {"@VALUED_GLOBAL_OPTIONS@", Join(valued, " | ")},
                       {"@COMMANDS@", Join(commands, " ")},
                       {"@COMMAND_OPTIONS@\n", options},
                       {"@FIRST_WORDS@\n", firstWords}});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: generate_docs man|completion TEMPLATE OUTPUT\n";
        return 2;
    }
    const std::string kind = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        if (!in) throw std::runtime_error("cannot read the template");
        const std::string out = kind == "man" ? Man(text.str()) : kind == "completion" ? Completion(text.str()) : "";
        if (out.empty()) throw std::runtime_error("no such kind: " + kind);
        std::ofstream file(argv[3], std::ios::binary);
        file << out;
        if (!file.flush()) throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "generate_docs: " << argv[2] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
