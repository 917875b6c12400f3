// What the desktop does for the program: open a file with the program it is
// associated with, and the simple beep.
#pragma once

#include <functional>
#include <string>

// Opens `path` with the desktop's default application for it. False when no
// application could be found for it; other failures count as opened.
bool OpenWithAssociatedProgram(const std::string& path);
// Tests replace the desktop through this hook (null: the real desktop).
void SetOpenFileHook(std::function<bool(const std::string& path)> hook);

// The simple beep.
void Velmor_Beep();
// Tests count beeps through this hook (null: the real beep).
void SetBeepHook(std::function<void()> hook);
