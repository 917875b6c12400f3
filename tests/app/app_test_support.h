// What the program's window tests add to those of the dialogs: a fresh main
// dialog, and a click on one of its buttons.
#pragma once

#include "dialog_test_support.h"
#include "main_dialog.h"

#include <QAbstractButton>
#include <memory>

// A main dialog as the program shows it, with its application object.
struct MainDialogFixture {
    MainDialogFixture() : window(std::make_unique<MainDialogWindow>(app)) { window->show(); }
    void Click(int id) { static_cast<QAbstractButton*>(window->Control(id))->click(); }
    MainDialog app;
    std::unique_ptr<MainDialogWindow> window;
};
