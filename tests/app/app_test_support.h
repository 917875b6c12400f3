// What the program's window tests share: scripted answers to message boxes
// (every box shown is recorded), and a fresh main dialog.
#pragma once

#include "main_dialog.h"
#include "message_box.h"
#include "when_modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class MessageScript {
public:
    MessageScript() {
        SetMessageBoxHook([this](const MessageBoxShown& box) {
            shown.push_back(box);
            std::deque<int>& queue = answers[box.stringId];
            if (queue.empty()) {
                return 1;
            }
            int answer = queue.front();
            queue.pop_front();
            return answer;
        });
    }
    ~MessageScript() { SetMessageBoxHook(nullptr); }
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;

    // The ids of the boxes shown, in order.
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const MessageBoxShown& s : shown) {
            ids.push_back(s.stringId);
        }
        return ids;
    }
    // Answers the next boxes of `id` in this order (then 1).
    void Answer(int id, std::vector<int> codes) {
        for (int code : codes) {
            answers[id].push_back(code);
        }
    }

    std::vector<MessageBoxShown> shown;
    std::map<int, std::deque<int>> answers;
};

// A main dialog as the program shows it, with its application object.
struct MainDialogFixture {
    MainDialogFixture() : window(std::make_unique<MainDialogWindow>(app)) { window->show(); }
    MainDialog app;
    std::unique_ptr<MainDialogWindow> window;
};

// The template controls of `dialog` that have no accessible name (Qt's own
// inner widgets, which carry no object name, are not looked at).
inline std::vector<std::string> ControlsWithoutAccessibleName(const QWidget* dialog) {
    std::vector<std::string> missing;
    for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
        bool isControl =
            qobject_cast<const QAbstractButton*>(widget) ||
            qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QGroupBox*>(widget) ||
            qobject_cast<const QLabel*>(widget) || widget->property(kControlIdProperty).isValid();
        bool fromTemplate =
            !widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_");
        if (isControl && fromTemplate && widget->accessibleName().isEmpty()) {
            missing.push_back(ToUtf8(widget->objectName()));
        }
    }
    return missing;
}
