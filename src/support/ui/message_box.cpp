#include "message_box.h"

#include "string_table.h"
#include "velmor_dialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

std::string ProgramTitle;

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

QMessageBox::Icon IconOf(char kind) {
    switch (kind) {
    case '!':
        return QMessageBox::Information;
    case '?':
        return QMessageBox::Question;
    default:
        return QMessageBox::Critical;
    }
}

QMessageBox::StandardButton ButtonOf(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Abort:
        return QMessageBox::Abort;
    case Answer::Retry:
        return QMessageBox::Retry;
    case Answer::Ignore:
        return QMessageBox::Ignore;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

MessageBoxShown ComposeMessageBox(const MessageBoxRequest& request) {
    MessageParts parts = ParseMessage(LoadTranslatedString(request.stringId));
    MessageBoxShown shown;
    shown.stringId = request.stringId;
    shown.kind = parts.kind;
    shown.buttons = parts.buttons;
    shown.text = FillInserts(parts.text, request.insert1, request.insert2);
    shown.caption = request.caption;
    return shown;
}

int Velmor_Message_Box(const MessageBoxRequest& request) {
    MessageBoxShown shown = ComposeMessageBox(request);
    if (Hook()) {
        return Hook()(shown);
    }
    QWidget* owner = request.owner ? request.owner : QApplication::activeWindow();
    QMessageBox box(IconOf(shown.kind), ToQString(shown.caption), ToQString(shown.text),
                    QMessageBox::NoButton, owner);
    std::vector<std::pair<QAbstractButton*, Answer>> buttons;
    for (Answer answer : ButtonsOf(ParseMessage(LoadTranslatedString(request.stringId)))) {
        buttons.emplace_back(box.addButton(ButtonOf(answer)), answer);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, answer] : buttons) {
        if (button == clicked) {
            return static_cast<int>(answer);
        }
    }
    // Closed without a button (only possible where the box has no escape
    // button): taken as Cancel, which every caller treats as "do nothing".
    return static_cast<int>(Answer::Cancel);
}

Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) {
    MessageBoxRequest request;
    request.stringId = id;
    request.insert1 = std::string(insert1);
    request.insert2 = std::string(insert2);
    request.caption = ProgramTitle;
    return static_cast<Answer>(Velmor_Message_Box(request));
}
