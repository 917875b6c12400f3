// The file-name dialog: open a file, save a file, or choose a directory.
#pragma once

#include "settings_store.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

enum FileDialogMode : int {
    kFileDialogOpen = 1,
    // Save: a name typed without an extension gets the filter's extension,
    // and an existing file is overwritten only after a question.
    kFileDialogSave = 2,
    // Choose a directory: the result is the directory with a trailing '/'.
    kFileDialogDirectory = 32,
};

struct FileDialogRequest {
    int filterId = 0; // string id of the filter: "description|pattern|" pairs
    int titleId = 0;  // string id of the dialog's title
    // Where the last folder used is remembered (key and section; no file).
    // An empty key remembers nothing.
    StoreLocation location;
    std::string valueName;
    int mode = kFileDialogOpen;
    std::string translationId;
    QWidget* owner = nullptr;
};

// The parts of a filter text: pairs of description and pattern, each ended
// by '|'.
struct FileFilter {
    std::string description;
    std::string pattern;
};
std::vector<FileFilter> ParseFileFilter(std::string_view text);
// The extension (without the dot) of the first pattern, "" for "*.*" or none.
std::string DefaultExtensionOf(const std::vector<FileFilter>& filters);
// The name with ".extension" appended when its file name has no extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// Tests answer file-name dialogs through this hook: while one is installed it
// is called instead of showing a window, with the request and the folder the
// dialog would start in; nothing means cancelled.
using FileNameDialogHook = std::function<std::optional<std::string>(
    const FileDialogRequest& request, const std::string& startFolder)>;
void SetFileNameDialogHook(FileNameDialogHook hook);

// Shows the dialog. `path` holds the initial path (may be empty) and, on
// success, the chosen one. Gives 0 when the user cancelled, else 1.
int Velmor_ExtendedFileNameDialog(std::string& path, const FileDialogRequest& request);
