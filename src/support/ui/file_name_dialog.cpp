#include "file_name_dialog.h"

#include "file_names.h"
#include "string_table.h"
#include "velmor_dialog.h"
#include "velmor_strings.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <sys/stat.h>
#include <utility>

namespace {

FileNameDialogHook& Hook() {
    static FileNameDialogHook hook;
    return hook;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder the dialog opens in: the directory of the initial path, else
// the remembered folder, else the home directory.
std::string StartFolder(const std::string& initial, const FileDialogRequest& request) {
    if (!initial.empty()) {
        std::string folder = IsDirectory(initial) ? initial : Velmor_StripFileName(initial);
        if (IsDirectory(folder)) {
            return folder;
        }
    }
    if (!request.location.key.empty() && !request.valueName.empty()) {
        std::string remembered =
            Velmor_ReadStringFromRegistry(request.location, request.valueName, "");
        if (IsDirectory(remembered)) {
            return remembered;
        }
    }
    return ToUtf8(QDir::homePath());
}

QString QtFilterOf(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& filter : filters) {
        QString description = ToQString(filter.description);
        QString pattern = ToQString(filter.pattern);
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            description += QStringLiteral(" (") + pattern + QLatin1Char(')');
        }
        parts << description;
    }
    return parts.join(QStringLiteral(";;"));
}

std::optional<std::string> ShowWindow(const FileDialogRequest& request,
                                      const std::string& startFolder,
                                      const std::vector<FileFilter>& filters) {
    QWidget* owner = request.owner ? request.owner : QApplication::activeWindow();
    QFileDialog dialog(owner, ToQString(LoadTranslatedString(request.titleId)),
                       ToQString(startFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // Room for the columns' captions and dates in either language.
    QFontMetrics metrics(dialog.font());
    dialog.resize(metrics.averageCharWidth() * 120, metrics.height() * 30);
    if (auto* details = dialog.findChild<QTreeView*>()) {
        for (int column = 1; column < 4; ++column) {
            details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
    switch (request.mode) {
    case kFileDialogDirectory:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        break;
    case kFileDialogSave:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(ToQString(DefaultExtensionOf(filters)));
        dialog.setNameFilter(QtFilterOf(filters));
        break;
    default:
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(QtFilterOf(filters));
        break;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToUtf8(dialog.selectedFiles().first());
}

} // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view text) {
    std::vector<FileFilter> filters;
    std::vector<std::string> parts = SplitAt(text, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].empty() || !parts[i + 1].empty()) {
            filters.push_back({parts[i], parts[i + 1]});
        }
    }
    return filters;
}

std::string DefaultExtensionOf(const std::vector<FileFilter>& filters) {
    if (filters.empty()) {
        return {};
    }
    std::string pattern = filters.front().pattern;
    pattern = pattern.substr(0, pattern.find(';'));
    if (pattern.rfind("*.", 0) != 0) {
        return {};
    }
    std::string extension = pattern.substr(2);
    if (extension.find_first_of("*?") != std::string::npos) {
        return {};
    }
    return extension;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty() || path.empty() || path.back() == '/') {
        return path;
    }
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A leading dot marks a hidden name, not an extension.
    if (name.find('.', 1) != std::string::npos) {
        return path;
    }
    return path + "." + extension;
}

void SetFileNameDialogHook(FileNameDialogHook hook) {
    Hook() = std::move(hook);
}

int Velmor_ExtendedFileNameDialog(std::string& path, const FileDialogRequest& request) {
    std::vector<FileFilter> filters = ParseFileFilter(LoadTranslatedString(request.filterId));
    std::string start = StartFolder(path, request);
    std::optional<std::string> chosen =
        Hook() ? Hook()(request, start) : ShowWindow(request, start, filters);
    if (!chosen || chosen->empty()) {
        return 0;
    }
    std::string result = *chosen;
    std::string folder;
    if (request.mode == kFileDialogDirectory) {
        while (result.size() > 1 && result.back() == '/') {
            result.pop_back();
        }
        folder = result;
        if (result.back() != '/') {
            result += '/';
        }
    } else {
        if (request.mode == kFileDialogSave) {
            result = WithDefaultExtension(result, DefaultExtensionOf(filters));
        }
        folder = Velmor_StripFileName(result);
    }
    if (!request.location.key.empty() && !request.valueName.empty() && !folder.empty()) {
        Velmor_WriteStringToRegistry(request.location, request.valueName, folder);
    }
    path = result;
    return 1;
}
