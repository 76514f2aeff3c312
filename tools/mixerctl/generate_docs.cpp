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

#include <cctype>
#include <cstring>
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

// The words of a troff request's arguments; double quotes group.
std::vector<std::string> Arguments(const std::string& text) {
    std::vector<std::string> words;
    bool quoted = false, inWord = false;
    for (char ch : text) {
        if (!quoted && ch == ' ') {
            inWord = false;
            continue;
        }
        if (!inWord) words.emplace_back(), inWord = true;
        if (ch == '"') quoted = !quoted;
        else words.back() += ch;
    }
    return words;
}

// A line of the manual page as plain text: font requests give their
// arguments (the alternating ones without spaces), other requests nothing.
std::string PlainLine(const std::string& line) {
    std::string text = line;
    if (!line.empty() && line[0] == '.') {
        const size_t space = line.find(' ');
        const std::string request = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
        const std::vector<std::string> words = space == std::string::npos ? std::vector<std::string>() : Arguments(line.substr(space + 1));
        if (request == "B" || request == "I") text = Join(words, " ");
        else if (request.size() == 2 && std::string("BIR").find(request[0]) != std::string::npos) text = Join(words, "");
        else return "";
    }
    const std::pair<const char*, const char*> escapes[] = {{"\\(dq", "\""}, {"\\(mu", "x"}, {"\\-", "-"}, {"\\fB", ""},
                                                           {"\\fI", ""},     {"\\fR", ""},  {"\\fP", ""}, {"\\&", ""},
                                                           {"\\e", "\\"}};
    for (const auto& e : escapes)
        for (size_t at = text.find(e.first); at != std::string::npos; at = text.find(e.first, at + std::strlen(e.second)))
            text.replace(at, std::strlen(e.first), e.second);
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
        else if (!command.empty() && !PlainLine(line).empty()) details[command] += PlainLine(line) + " ";
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
    if (argc != 4) {
        std::cerr << "usage: generate_docs man|completion|help TEMPLATE OUTPUT\n";
        return 2;
    }
    const std::string kind = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        if (!in) throw std::runtime_error("cannot read the template");
        const std::string out = kind == "man"          ? Man(text.str())
                                : kind == "completion" ? Completion(text.str())
                                : kind == "help"       ? Help(text.str())
                                                       : "";
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
