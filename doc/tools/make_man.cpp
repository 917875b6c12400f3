// Writes a manual page (man(7) macros) from a program's --help text in the
// string table, so the page and --help never tell different stories.
//
//   make_man HELP_ID LANGUAGE NAME SEE_ALSO DATE OUTPUT
//
// The help text's shape: "Usage: NAME ARGUMENTS", a paragraph that describes
// the program (its first clause, up to ',' or ':', is the page's one-line
// summary), then headings (unindented lines ending with ':'), options
// ("  -x, --option ARG   text", the text going on in deeply indented lines,
// an option too long for its column standing alone on its line, several
// option lines before one text sharing it) and unindented paragraphs.
#include "string_table.h"
#include "velmor_version.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Text for roff: backslashes, hyphen-minus and quotes escaped, a leading '.'
// or '\'' kept from being read as a request.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c == '"') {
            out += "\\(dq"; // also inside a macro's argument
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

std::size_t Indent(const std::string& line) {
    std::size_t n = line.find_first_not_of(' ');
    return n == std::string::npos ? line.size() : n;
}

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

struct Headings {
    const char* name;
    const char* synopsis;
    const char* description;
    const char* options;
    const char* seeAlso;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: make_man HELP_ID LANGUAGE NAME SEE_ALSO DATE OUTPUT\n");
        return 2;
    }
    const int helpId = std::atoi(argv[1]);
    const int language = std::atoi(argv[2]);
    const std::string name = argv[3];
    const std::string seeAlso = argv[4];
    const std::string date = argv[5];
    const Headings headings =
        language == kLanguageGerman
            ? Headings{"BEZEICHNUNG", "ÜBERSICHT", "BESCHREIBUNG", "OPTIONEN", "SIEHE AUCH"}
            : Headings{"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "SEE ALSO"};
    const std::vector<std::string> lines = Lines(std::string(StoredString(helpId, language)));
    if (lines.empty()) {
        std::fprintf(stderr, "make_man: no text %d\n", helpId);
        return 1;
    }

    std::string upper;
    for (char c : name) {
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    std::ostringstream page;
    page << ".TH " << Roff(upper) << " 1 \"" << date << "\" \"Velmor Quintrel "
         << VELMOR_VERSION_TEXT << "\"\n";

    // "Usage: name arguments"
    std::string usage = lines[0];
    std::size_t colon = usage.find(": ");
    std::string arguments = usage.substr(usage.find(name, colon) + name.size());
    std::size_t i = 1;
    std::string description;
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        description += (description.empty() ? "" : "\n") + lines[i];
    }
    std::string summary = description.substr(0, description.find_first_of(",:"));
    for (char& c : summary) {
        c = c == '\n' ? ' ' : c;
    }
    if (!summary.empty() && summary[0] >= 'A' && summary[0] <= 'Z' && language != kLanguageGerman) {
        summary[0] = static_cast<char>(summary[0] - 'A' + 'a');
    }
    page << ".SH " << headings.name << "\n" << Roff(name) << " \\- " << Roff(summary) << "\n";
    page << ".SH " << headings.synopsis << "\n.B " << Roff(name) << "\n"
         << Roff(Trimmed(arguments)) << "\n";
    page << ".SH " << headings.description << "\n" << Roff(description) << "\n";
    page << ".SH " << headings.options << "\n";

    // Options: the option column ends at the first run of two blanks.
    std::string pendingOptions; // option lines waiting for their text
    bool inText = false;        // the last thing written was an option's text
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t indent = Indent(line);
        if (Trimmed(line).empty()) {
            continue;
        }
        if (indent == 0) {
            inText = false;
            if (line.back() == ':') {
                page << ".SS " << Roff(line) << "\n";
            } else {
                page << ".PP\n" << Roff(line) << "\n";
                // Its unindented continuation lines follow as they are.
                while (i + 1 < lines.size() && !lines[i + 1].empty() && Indent(lines[i + 1]) == 0 &&
                       lines[i + 1].back() != ':' && lines[i + 1].find(": ") == std::string::npos) {
                    page << Roff(lines[++i]) << "\n";
                }
            }
        } else if (indent <= 4) {
            std::string rest = line.substr(indent);
            std::size_t gap = rest.find("  ");
            std::string options = gap == std::string::npos ? rest : rest.substr(0, gap);
            std::string text = gap == std::string::npos ? "" : Trimmed(rest.substr(gap));
            pendingOptions += (pendingOptions.empty() ? "" : " ") + options;
            if (!text.empty()) {
                page << ".TP\n.B " << Roff(pendingOptions) << "\n" << Roff(text) << "\n";
                pendingOptions.clear();
                inText = true;
            }
        } else {
            if (!pendingOptions.empty()) {
                page << ".TP\n.B " << Roff(pendingOptions) << "\n";
                pendingOptions.clear();
            } else if (!inText) {
                page << ".IP\n";
            }
            page << Roff(Trimmed(line)) << "\n";
            inText = true;
        }
    }
    if (!pendingOptions.empty()) {
        page << ".TP\n.B " << Roff(pendingOptions) << "\n";
    }
    page << ".SH " << headings.seeAlso << "\n.BR " << Roff(seeAlso) << " (1)\n";

    std::ofstream out(argv[6], std::ios::binary);
    out << page.str();
    out.close();
    return out ? 0 : 1;
}
