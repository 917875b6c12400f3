// What the desktop does for the program: open a file with the program it is
// associated with, and the simple beep.
#pragma once

#include <functional>
#include <string>

class QObject;

// Opens `path` with the desktop's default application for it, without
// waiting for it: the caller's window goes on taking input. `done` runs once,
// from the event loop (or at once when the opener cannot be started), while
// `context` lives: with false when no application could be found (the opener
// did not start, or ended with 3 or 4 within a short wait), else with true
// (it ended otherwise, or still runs after the short wait, as xdg-open does
// while it waits for the viewer under a plain window manager).
void OpenWithAssociatedProgram(const std::string& path, QObject* context,
                               std::function<void(bool opened)> done);
// How long an opener may take to say that no application exists.
inline constexpr int kOpenerShortWaitMs = 2000;
// Tests replace the desktop through this hook (null: the real desktop).
void SetOpenFileHook(std::function<bool(const std::string& path)> hook);

// The simple beep.
void Velmor_Beep();
// Tests count beeps through this hook (null: the real beep).
void SetBeepHook(std::function<void()> hook);
