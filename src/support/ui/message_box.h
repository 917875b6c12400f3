// Message boxes from the string table.
//
// The stored text of a message begins with its code: a kind letter ('s'
// error, '!' notice, '?' question), the button letters, one blank. The box
// shows the kind's icon and the letters' buttons, never the code itself,
// fills "%s" from the inserts and gives the pressed button's code
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
#pragma once

#include "string_table.h"

#include <functional>
#include <string>
#include <string_view>

class QWidget;

struct MessageBoxRequest {
    int stringId = 0;
    std::string insert1;
    std::string insert2;
    int value = 0;            // reserved; 0
    std::string caption;      // the box's caption (the program title)
    QWidget* owner = nullptr; // the window it is modal over; null: the active window
};

// What a message box would show.
struct MessageBoxShown {
    int stringId = 0;
    char kind = 's';
    std::string buttons; // the button letters, "" for a single OK
    std::string text;    // without the code, inserts filled
    std::string caption;
};

// Tests answer message boxes through this hook: while one is installed it is
// called instead of showing a window, and its result is the box's result.
using MessageBoxHook = std::function<int(const MessageBoxShown&)>;
void SetMessageBoxHook(MessageBoxHook hook);

// What the box for `request` shows, in the current language.
MessageBoxShown ComposeMessageBox(const MessageBoxRequest& request);

// Shows the box modally and waits until it is closed.
int Velmor_Message_Box(const MessageBoxRequest& request);

// The caption of every message box the program shows: the main dialog's
// caption as it reads in the interface language (set by the main dialog).
extern std::string ProgramTitle;

// Shows string-table message `id` with its inserts, captioned with the
// program title, modal over the active window, and gives the button pressed.
Answer ShowMessage(int id, std::string_view insert1 = {}, std::string_view insert2 = {});
