// The tester of the replacement list: the line after each pair with what the
// pair changed highlighted, the marks of unchanged pairs and cascades, and
// what stops it (a bad pattern, a text the coding cannot represent).
#include "dialog_test_support.h"
#include "replacement_tester.h"

#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

Job With(std::vector<ReplacementRow> rows, bool regex = false) {
    Job job;
    job.replace = std::move(rows);
    job.regex = regex;
    return job;
}

TEST(ReplacementTester, ShowsEveryPairsResultAndItsMarks) {
    Job strips = With({{"a", "b"}});
    strips.stripLeadingSpaces = true;
    Job oem = With({{"ä", "ae"}});
    oem.code = CodeMode::Oem;
    Job limit = With({{"(a+)+$", "x"}, {"b", "c"}}, true);
    struct Case {
        const char* name;
        Job job;
        std::string sample;
        std::vector<std::string> shown;  // in this order in the plain text
        std::vector<std::string> marked; // highlighted parts, in the HTML
    } cases[] = {
        {"a cascade and a pair that changes nothing",
         With({{"a", "b"}, {"x", "y"}, {"b", "c"}}),
         "ab",
         {"Zeile 1: ab", "Paar 1", "bb", "1 Ersetzung(en); Kaskade: Paar 3 findet", "Paar 2", "bb",
          "unverändert", "Paar 3", "cc", "2 Ersetzung(en)"},
         {">b</span>b", ">cc</span>"}},
        {"groups of a regular expression, two sample lines",
         With({{"(\\w+)@(\\w+)", "$2 at $1"}}, true),
         "me@here\nnone",
         {"Zeile 1: me@here", "here at me", "Zeile 2: none", "unverändert"},
         {">here at me</span>"}},
        {"the strips come first", strips, "  a", {"Nach dem Entfernen", ": a", "b"}, {}},
        {"DOS text is shown as typed", oem, "Bär", {"Baer"}, {">ae</span>"}},
        {"a pattern over its limits stops the chain",
         limit,
         std::string(3000, 'a') + "b",
         {"zu viele Schritte"},
         {}},
        {"a bad pattern says so",
         With({{"a(", "x"}}, true),
         "a",
         {"Der Suchbegriff von Paar 1 ist kein gültiger regulärer Ausdruck", "'a('"},
         {}},
        {"a text the coding cannot represent", oem, "5 €", {"nicht darstellbar"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplacementTesterDialog dialog(nullptr, c.job);
        EXPECT_EQ(ControlsWithoutAccessibleName(&dialog), std::vector<std::string>{});
        // Short lines are typed (the result follows every key), the others pasted.
        auto* edit = static_cast<QPlainTextEdit*>(dialog.Control(kIdSampleLines));
        bool ascii = std::all_of(c.sample.begin(), c.sample.end(),
                                 [](char ch) { return ch >= ' ' && ch < 0x7F; });
        if (c.sample.size() < 100 && ascii) {
            QTest::keyClicks(edit, ToQString(c.sample));
        } else {
            edit->setPlainText(ToQString(c.sample));
        }
        const std::string text = ToUtf8(dialog.ResultText());
        std::size_t at = 0;
        for (const std::string& part : c.shown) {
            std::size_t found = text.find(part, at);
            EXPECT_NE(found, std::string::npos) << "\"" << part << "\" after " << at << " in\n"
                                                << text;
            at = found == std::string::npos ? at : found + part.size();
        }
        const std::string html = ToUtf8(TraceAsHtml(c.job, c.sample));
        for (const std::string& part : c.marked) {
            EXPECT_NE(html.find(part), std::string::npos) << part << " in\n" << html;
        }
        if (c.job.regex && c.job.replace.size() == 2) {
            EXPECT_EQ(text.find("Paar 2"), std::string::npos) << text;
        }
    }
}

} // namespace
