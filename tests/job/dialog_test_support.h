// What the window tests share: scripted answers to message boxes and
// file-name dialogs (every one shown is recorded), a beep counter, the
// check that every control has an accessible name, and a full profile.
#pragma once

#include "desktop.h"
#include "file_name_dialog.h"
#include "message_box.h"
#include "profile.h"
#include "velmor_dialog.h"
#include "when_modal.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <deque>
#include <map>
#include <optional>
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

// Answers every file-name dialog with `path` (nothing: cancelled), recording
// the requests.
struct FileNameAnswer {
    explicit FileNameAnswer(std::optional<std::string> path) {
        SetFileNameDialogHook([this, path](const FileDialogRequest& request, const std::string&) {
            requests.push_back(request);
            return path;
        });
    }
    ~FileNameAnswer() { SetFileNameDialogHook(nullptr); }
    std::vector<FileDialogRequest> requests;
};

struct BeepCounter {
    BeepCounter() {
        SetBeepHook([this] { ++beeps; });
    }
    ~BeepCounter() { SetBeepHook(nullptr); }
    int beeps = 0;
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

// A profile with every value away from its default.
inline Profile ProfileWithEveryValueSet() {
    Profile p;
    p.Directories = {"/tmp/one", "/tmp/two;three"};
    p.Files = {"*.txt", "read me?.md"};
    p.Replace = {{"a\\tb", "c\td"}, {"x", ""}};
    p.Position = 8;
    p.DateDependency = 2;
    p.Code = 4;
    p.PerformReplace = 0;
    for (std::int32_t* value :
         {&p.DeleteEmptyLines, &p.StripLeadingSpaces, &p.StripTrailingSpaces, &p.StripLeadingTabs,
          &p.StripTrailingTabs, &p.Subdirs, &p.ExpandEscape, &p.CapsLock, &p.Confirm,
          &p.KeepLineEnds, &p.Regex}) {
        *value = 1;
    }
    p.CompareDate = "24.12.2023";
    p.CompareTime = "18:30:00";
    return p;
}
