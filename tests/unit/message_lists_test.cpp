// Each tool's manual lists its messages: every line of the tool's message list is in its page (a
// text the tools share in one of the pages), and every message the DIAGNOSTICS section lists in
// bold is one of the lists' or one of libqfb's status texts.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <qfb/qfb.h>

#include "cli_texts.h"
#include "info_texts.h"
#include "makeqfb_texts.h"
#include "prep_texts.h"

namespace {

// Runs of white space as one space, none at either end.
std::string squeeze(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\t';
        if (space && (out.empty() || out.back() == ' ')) continue;
        out += space ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// A roff line's text: the font macros' arguments (quotes dropped; the alternating ones joined
// without spaces), escapes as the characters they print.
std::string roff_text(const std::string& line)
{
    std::string text = line;
    if (!line.empty() && line[0] == '.') {
        std::istringstream in(line);
        std::string macro;
        in >> macro;
        static const std::vector<std::string> fonts = {".B", ".I", ".BR", ".RB", ".IR", ".RI", ".BI", ".IB"};
        bool font = false;
        for (const std::string& f : fonts) font = font || macro == f;
        if (!font) return "";
        const bool alternating = macro.size() == 3;
        std::string rest = line.substr(macro.size()), arg;
        text.clear();
        std::vector<std::string> args;
        for (size_t i = 0; i < rest.size();) {
            if (rest[i] == ' ') {
                ++i;
                continue;
            }
            if (rest[i] == '"') {
                const size_t end = rest.find('"', i + 1);
                args.push_back(rest.substr(i + 1, end - i - 1));
                i = end == std::string::npos ? rest.size() : end + 1;
            } else {
                size_t end = i;
                while (end < rest.size() && (rest[end] != ' ' || (end > 0 && rest[end - 1] == '\\'))) ++end;
                args.push_back(rest.substr(i, end - i));
                i = end;
            }
        }
        for (const std::string& a : args) text += (text.empty() || alternating ? "" : " ") + a;
    }
    static const std::vector<std::pair<std::string, std::string>> escapes = {
        {"\\-", "-"}, {"\\(aq", "'"}, {"\\(lq", "\""}, {"\\(rq", "\""}, {"\\(bu", ""}, {"\\&", ""}, {"\\ ", " "},
        {"\\fB", ""}, {"\\fI", ""}, {"\\fR", ""}, {"\\fP", ""}, {"\\|", ""}, {"\\e", "\\"}, {"\\%", ""}};
    for (const auto& e : escapes)
        for (size_t at; (at = text.find(e.first)) != std::string::npos;) text.replace(at, e.first.size(), e.second);
    return text;
}

struct Page {
    std::vector<std::string> lines;   // each line's text
    std::vector<std::string> listed;  // DIAGNOSTICS: each ".TP" entry's bold line
};

Page read_page(const std::string& name)
{
    std::ifstream in(std::string(QFB_SOURCE_DIR) + "/man/" + name);
    EXPECT_TRUE(in.good()) << name;
    Page page;
    std::string line, section;
    bool after_tp = false;
    while (std::getline(in, line)) {
        if (line.rfind(".SH ", 0) == 0) section = line.substr(4);
        if (after_tp && section == "DIAGNOSTICS" && line.rfind(".B ", 0) == 0) page.listed.push_back(squeeze(roff_text(line)));
        after_tp = line.rfind(".TP", 0) == 0;
        page.lines.push_back(squeeze(roff_text(line)));
    }
    return page;
}

// A format's text between its conversions, white space squeezed; and whether it starts and ends
// with a conversion.
struct Pieces {
    std::vector<std::string> parts;
    bool open_start = false, open_end = false;
};

Pieces pieces_of(const char* format)
{
    const std::string text = squeeze(format);
    Pieces p;
    std::string part;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || (i + 1 < text.size() && text[i + 1] == '%')) {
            part += text[i];
            i += text[i] == '%' ? 1 : 0;
            continue;
        }
        size_t end = text.find_first_not_of("-+ #0123456789.lzh", i + 1);  // flags, width, precision, length
        if (i == 0) p.open_start = true;
        if (end == std::string::npos) end = text.size() - 1;
        if (end + 1 == text.size()) p.open_end = true;
        if (!part.empty()) p.parts.push_back(part);
        part.clear();
        i = end;
    }
    if (!part.empty()) p.parts.push_back(part);
    return p;
}

// Whether the line holds the format's text in order, any text standing for each conversion; when
// whole, the line is the message and nothing else.
bool holds(const std::string& line, const char* format, bool whole)
{
    const Pieces p = pieces_of(format);
    size_t letters = 0;
    for (const std::string& part : p.parts) letters += part.size();
    if (letters < 8) return false;  // a fragment of conversions ("%d %s%s") would hold anything
    size_t at = 0;
    for (size_t i = 0; i < p.parts.size(); ++i) {
        const std::string& part = p.parts[i];
        const bool last = i + 1 == p.parts.size();
        size_t found = line.find(part, at);
        if (whole && last && !p.open_end) found = line.size() >= part.size() + at ? line.size() - part.size() : std::string::npos;
        if (found == std::string::npos || line.compare(found, part.size(), part) != 0) return false;
        if (whole && i == 0 && !p.open_start && found != 0) return false;
        at = found + part.size();
    }
    return !whole || p.open_end || at == line.size();
}

// In a line, or in lines that follow each other (a message the page wraps, or sets in two fonts).
bool holds_anywhere(const std::vector<std::string>& lines, const char* format)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string joined = lines[i];
        for (size_t j = i + 1; j <= i + 3 && j <= lines.size(); ++j) {
            if (holds(joined, format, false)) return true;
            if (j < lines.size()) joined += " " + lines[j];
        }
    }
    return false;
}

bool is_line(const char* format) { return std::string(format).back() == '\n'; }

template <size_t N>
std::vector<const char*> list(const char* const (&texts)[N])
{
    return std::vector<const char*>(texts, texts + N);
}

TEST(MessageLists, EveryManualListsItsToolsMessagesAndNoOthers)
{
    const struct {
        const char* page;
        std::vector<const char*> texts;
    } tools[] = {
        {"makeqfb.1", list(MAKEQFB_TEXTS)},
        {"qfbprep.1", list(QFBPREP_TEXTS)},
        {"qfbinfo.1", list(QFBINFO_TEXTS)},
    };
    std::vector<const char*> known = list(CLI_TEXTS);
    std::vector<std::string> status_texts;
    for (int s = 0; qfb_status_name(static_cast<qfb_status>(s)) != nullptr; ++s)
        status_texts.push_back(qfb_status_text(static_cast<qfb_status>(s)));
    std::vector<std::string> every_page;
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.page);
        const Page page = read_page(tool.page);
        every_page.insert(every_page.end(), page.lines.begin(), page.lines.end());
        for (const char* format : tool.texts)
            EXPECT_TRUE(!is_line(format) || holds_anywhere(page.lines, format)) << "not in the page: " << format;
        std::vector<const char*> own = tool.texts;
        own.insert(own.end(), known.begin(), known.end());
        for (const std::string& listed : page.listed) {
            bool found = false;
            for (const char* format : own) found = found || holds(listed, format, true);
            for (const std::string& status : status_texts) found = found || listed == status;
            EXPECT_TRUE(found) << "listed, but no message of the tool: " << listed;
        }
    }
    for (const char* format : known)
        EXPECT_TRUE(!is_line(format) || holds_anywhere(every_page, format)) << "in no page: " << format;
}

}  // namespace
