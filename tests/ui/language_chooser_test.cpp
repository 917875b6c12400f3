// The language chooser: what it offers, what it preselects, and what it
// gives back for each way of closing it.
#include "language_chooser.h"
#include "string_table.h"
#include "velmor_dialog.h"
#include "when_modal.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

const int kOffered[] = {kLanguageEnglish, kLanguageGerman, 0};

std::vector<std::string> Rows(const QListWidget* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i) {
        rows.push_back(ToUtf8(list->item(i)->text()));
    }
    return rows;
}

TEST(LanguageChooser, OffersEachLanguageByItsOwnNameWithTheCurrentSelected) {
    for (int current : {kLanguageEnglish, kLanguageGerman}) {
        LanguageChooser chooser(nullptr, {kLanguageEnglish, kLanguageGerman}, current);
        EXPECT_EQ(Rows(chooser.List()), (std::vector<std::string>{"English", "Deutsch"}));
        EXPECT_EQ(chooser.Chosen(), current);
        EXPECT_TRUE(chooser.findChild<QPushButton*>("languageOk")->isEnabled());
    }
}

TEST(LanguageChooser, AnUnofferedCurrentLanguageSelectsNothingAndOkWaits) {
    LanguageChooser chooser(nullptr, {kLanguageEnglish, kLanguageGerman}, 33);
    EXPECT_EQ(chooser.Chosen(), 0);
    auto* ok = chooser.findChild<QPushButton*>("languageOk");
    EXPECT_FALSE(ok->isEnabled());
    chooser.List()->setCurrentRow(1);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(chooser.Chosen(), kLanguageGerman);
}

TEST(LanguageChooser, OkGivesTheChoiceCancelAndEscapeTheCurrentLanguage) {
    struct Case {
        const char* name;
        std::function<void(LanguageChooser*)> act;
        int result;
    } cases[] = {
        {"OK on the other language",
         [](LanguageChooser* c) {
             c->List()->setCurrentRow(0);
             c->findChild<QPushButton*>("languageOk")->click();
         },
         kLanguageEnglish},
        {"double click",
         [](LanguageChooser* c) {
             QListWidget* list = c->List();
             QRect row = list->visualItemRect(list->item(0));
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
             QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
         },
         kLanguageEnglish},
        {"Cancel after choosing",
         [](LanguageChooser* c) {
             c->List()->setCurrentRow(0);
             c->findChild<QPushButton*>("languageCancel")->click();
         },
         kLanguageGerman},
        {"Escape", [](LanguageChooser* c) { QTest::keyClick(c, Qt::Key_Escape); }, kLanguageGerman},
        {"Enter keeps the preselected one",
         [](LanguageChooser* c) { QTest::keyClick(c->List(), Qt::Key_Return); }, kLanguageGerman},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WhenModal<LanguageChooser>(c.act);
        EXPECT_EQ(Velmor_SelectLanguage(nullptr, kOffered, kLanguageGerman, 0), c.result);
    }
}

} // namespace
