// Message boxes: the code letters decide icon and buttons and are never
// shown; the inserts fill "%s"; the button pressed gives its code.
#include "message_box.h"
#include "string_table.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct HookGuard {
    ~HookGuard() { SetMessageBoxHook(nullptr); }
};

TEST(MessageBoxHook, SeesTheTextWithoutItsCodeAndWithItsInserts) {
    HookGuard guard;
    std::optional<MessageBoxShown> seen;
    SetMessageBoxHook([&](const MessageBoxShown& shown) {
        seen = shown;
        return 4;
    });
    MessageBoxRequest request;
    request.stringId = kMsgRenameError;
    request.insert1 = "/a/%s.txt";
    request.insert2 = "/b";
    request.caption = "Velmor Quintrel";
    EXPECT_EQ(Velmor_Message_Box(request), 4);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->stringId, kMsgRenameError);
    EXPECT_EQ(seen->kind, 's');
    EXPECT_EQ(seen->buttons, "");
    EXPECT_EQ(seen->text, "Fehler beim Umbenennen der Datei  '/a/%s.txt'  in  '/b'");
    EXPECT_EQ(seen->caption, "Velmor Quintrel");
}

TEST(MessageBoxHook, KindsAndButtonsOfTheCodesInUse) {
    struct Case {
        int id;
        char kind;
        const char* buttons;
        const char* start;
    } cases[] = {
        {kMsgOutOfMemory, 's', "", "Speichermangel"},
        {kMsgNoFileChanged, '!', "", "Es wurde keine Datei"},
        {kMsgAcceptAll, '?', "YN", "Möchten Sie"},
        {kMsgCannotOpenFile, '?', "CRI", "Die Datei  ''  kann"},
        {kMsgNotTextFile, 's', "OC", "Die Datei  ist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        MessageBoxRequest request;
        request.stringId = c.id;
        MessageBoxShown shown = ComposeMessageBox(request);
        EXPECT_EQ(shown.kind, c.kind);
        EXPECT_EQ(shown.buttons, c.buttons);
        EXPECT_EQ(shown.text.rfind(c.start, 0), 0u) << shown.text;
    }
}

// The real window, answered by a click on one of its buttons.
struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
};

int ShowAndClick(int id, QMessageBox::StandardButton answer, ShownBox& seen) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << box->standardButton(button);
        }
        box->button(answer)->click();
    });
    MessageBoxRequest request;
    request.stringId = id;
    request.insert1 = "f.txt";
    request.caption = "Titel";
    return Velmor_Message_Box(request);
}

TEST(MessageBoxWindow, QuestionWithRetryIgnoreCancel) {
    ShownBox seen;
    EXPECT_EQ(ShowAndClick(kMsgCannotOpenFile, QMessageBox::Ignore, seen), 5);
    EXPECT_EQ(seen.caption, "Titel");
    EXPECT_EQ(seen.text, QString::fromUtf8("Die Datei  'f.txt'  kann nicht geöffnet werden."));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 3);
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::Cancel));
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::Retry));
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::Ignore));
}

TEST(MessageBoxWindow, YesNoGiveSixAndSeven) {
    ShownBox seen;
    EXPECT_EQ(ShowAndClick(kMsgAcceptAll, QMessageBox::Yes, seen), 6);
    EXPECT_EQ(ShowAndClick(kMsgAcceptAll, QMessageBox::No, seen), 7);
}

TEST(MessageBoxWindow, ErrorHasOneOkAndNoCode) {
    ShownBox seen;
    EXPECT_EQ(ShowAndClick(kMsgOutOfMemory, QMessageBox::Ok, seen), 1);
    EXPECT_EQ(seen.text, "Speichermangel");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, (QList<QMessageBox::StandardButton>{QMessageBox::Ok}));
}

TEST(MessageBoxWindow, OkCancelGivesOneAndTwo) {
    ShownBox seen;
    EXPECT_EQ(ShowAndClick(kMsgNotTextFile, QMessageBox::Cancel, seen), 2);
    EXPECT_EQ(ShowAndClick(kMsgNotTextFile, QMessageBox::Ok, seen), 1);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST(MessageBoxWindow, NoticeShowsTheInformationIcon) {
    ShownBox seen;
    ShowAndClick(kMsgAllUndone, QMessageBox::Ok, seen);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
}

} // namespace
