// Builds every window of the program in-process, in German or in English,
// fills it as a user would see it, and saves it as a PNG:
//   dialog-shots OUTPUT_DIR 49|44     → OUTPUT_DIR/*.png
// Under X11 with a window manager (scripts/screenshots runs Xvfb and openbox)
// each window is taken from the screen with its frame and caption; on other
// platforms (offscreen) the window's own contents are saved.
#include "commit_undo.h"
#include "desktop.h"
#include "file_name_dialog.h"
#include "help_language.h"
#include "language_chooser.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "main_dialog.h"
#include "main_job.h"
#include "message_box.h"
#include "program.h"
#include "progress_indicator.h"
#include "replacement_list.h"
#include "replacement_tester.h"
#include "run_job.h"
#include "run_window.h"
#include "start_check.h"
#include "string_table.h"
#include "summary_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

QString gOutput;
int gSaved = 0;

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool OnX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The frame the window manager draws around a window, as found on the main
// dialog (whose frame is reported reliably once it is up).
QMargins gFrame;

void WaitUntilShown(QWidget* window) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000) {
        QWindow* handle = window->windowHandle();
        if (handle != nullptr && handle->isExposed()) {
            break;
        }
        Settle(50);
    }
    // The window manager frames and draws a new window a moment later.
    Settle(OnX11() ? 1200 : 200);
}

// Saves `window` (with its frame where a window manager draws one) as
// <output>/<name>.png. `extra` widens the area, for a menu that opened over it.
void Save(QWidget* window, const char* name, QRect extra = {}) {
    WaitUntilShown(window);
    QPixmap image;
    if (OnX11()) {
        QRect area = window->geometry().marginsAdded(gFrame).united(extra);
        image = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    } else {
        image = window->grab();
    }
    QString path = gOutput + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "dialog-shots: cannot save %s\n", qPrintable(path));
        return;
    }
    ++gSaved;
    std::printf("saved %s\n", qPrintable(path));
}

// Saves the modal window that the next call opens, then closes it.
void SaveNextModal(const char* name) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        Save(modal, name);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(0);
        } else {
            modal->close();
        }
    });
    timer->start();
}

struct Sample {
    const char* directory;
    const char* subdirectory;
    const char* search1;
    const char* replace1;
    const char* search2;
    const char* replace2;
    // The files of the run whose summary is shown.
    const char* folder;
    const char* subfolder;
    const char* letter;
    const char* list;
    const char* letterText;
    const char* listText;
};

const Sample kGerman = {
    "/home/anna/Texte",
    "/home/anna/Texte/Notizen",
    "alt",
    "neu",
    "grau",
    "blau",
    "Texte",
    "Notizen",
    "brief.txt",
    "liste.txt",
    "Liebe Anna,\n\ndas alte Haus am See ist jetzt grau gestrichen.\nDie Fenster sind noch "
    "alt.\n\nViele Grüße\nBen\n\nPS: Der Zaun bleibt, wie er ist.\nDer Garten auch.\nDie "
    "Bank am Ufer auch.\nNur das Tor wird grau.\n",
    "Farben: grau, weiß\nalt: 3 Eimer\n"};
const Sample kEnglish = {
    "/home/anna/texts",
    "/home/anna/texts/notes",
    "old",
    "new",
    "grey",
    "blue",
    "texts",
    "notes",
    "letter.txt",
    "list.txt",
    "Dear Anna,\n\nthe old house by the lake is painted grey now.\nThe windows are still "
    "old.\n\nBest wishes\nBen\n\nPS: The fence stays as it is.\nSo does the garden.\nSo "
    "does the bench by the shore.\nOnly the gate will be grey.\n",
    "colours: grey, white\nold: 3 tins\n"};

// Saves the summary of a run with its first file's changes in view, and
// the question that closing it asks; the run is then undone.
class ShotRunUi : public WindowRunUi {
public:
    explicit ShotRunUi(MainDialogWindow& window) : WindowRunUi(window), window_(window) {}
    void RunSummary(const RunSummaryInfo& info) override {
        SummaryDialog summary(&window_, info, *this);
        summary.show();
        Settle(300);
        Save(&summary, "summary");
        SaveNextModal("accept-question");
        ShowMessage(kMsgAcceptAll, {}, {});
        UndoChangesQuietly(info);
    }

private:
    void UndoChangesQuietly(const RunSummaryInfo& info) {
        quiet_ = true;
        UndoChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
        quiet_ = false;
    }
    Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) override {
        return quiet_ ? Answer::Ok : WindowRunUi::ShowMessage(id, insert1, insert2);
    }
    MainDialogWindow& window_;
    bool quiet_ = false;
};

void ShootLanguage(int language, const QString& directory) {
    gOutput = directory;
    QDir().mkpath(gOutput);
    AppLanguage = language;
    ApplyLanguage();
    const Sample& sample = language == kLanguageEnglish ? kEnglish : kGerman;

    MainDialog app;
    MainDialogWindow main(app);
    main.show();
    main.move(60, 40);
    if (OnX11()) {
        QElapsedTimer waited;
        waited.start();
        while (main.frameGeometry() == main.geometry() && waited.elapsed() < 5000) {
            Settle(50);
        }
        QRect frame = main.frameGeometry();
        QRect inner = main.geometry();
        gFrame = QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                          frame.right() - inner.right(), frame.bottom() - inner.bottom());
    }
    Save(&main, "main-dialog-empty");

    // A job as a profile gives it.
    QString profile = QDir::tempPath() + QStringLiteral("/dialog-shots.vqp");
    {
        QFile file(profile);
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("[General]\nDirectories=%1\nFiles=*.txt\\t*.md\n"
                                  "Replace=%2\\t%3\\n%4\\t%5\nSubdirs=1\nDeleteEmptyLines=1\n"
                                  "StripTrailingSpaces=1\nCapsLock=1\nDateDependency=1\n"
                                  "CompareDate=01.02.2026\nCompareTime=08:00:00\n")
                       .arg(QString::fromUtf8(sample.directory), QString::fromUtf8(sample.search1),
                            QString::fromUtf8(sample.replace1), QString::fromUtf8(sample.search2),
                            QString::fromUtf8(sample.replace2))
                       .toUtf8());
    }
    SetFileNameDialogHook([&profile](const FileDialogRequest&, const std::string&) {
        return std::optional<std::string>(ToUtf8(profile));
    });
    main.SendCommand(kIdLoadProfile, kNotifyClicked);
    SetFileNameDialogHook(nullptr);
    QFile::remove(profile);
    ListViewSelectRow(main.ReplacementList(), 0);
    UpdateTitle(main);
    Save(&main, "main-dialog");

    {
        AddDirectoryDialog dialog(&main, main.DirectoryList());
        dialog.findChild<QLineEdit*>()->setText(QString::fromUtf8(sample.subdirectory));
        dialog.show();
        Save(&dialog, "add-directory");
    }
    {
        AddWildcardDialog dialog(&main, main.FileGroupList());
        dialog.findChild<QLineEdit*>()->setText(QStringLiteral("*.txt;*.md"));
        dialog.show();
        Save(&dialog, "add-file-group");
    }
    {
        ReplacementDialog dialog(&main, ReplacementDialog::Mode::Add);
        dialog.show();
        Save(&dialog, "add-replacement");
    }
    {
        ListRow row = ListViewRow(main.ReplacementList(), 0);
        ReplacementDialog dialog(&main, ReplacementDialog::Mode::Edit, {row.first, row.second});
        dialog.show();
        Save(&dialog, "change-replacement");
    }
    {
        QTableWidget* list = main.ReplacementList();
        std::unique_ptr<QMenu> menu = BuildReplacementMenu(list, CountSelectedItems(list));
        QPoint at = list->viewport()->mapToGlobal(list->visualItemRect(list->item(0, 0)).center());
        menu->popup(at);
        Settle(300);
        Save(&main, "replacement-menu", menu->geometry());
        menu->hide();
    }
    {
        // The tester on the job of the main dialog, with a regular expression
        // whose result the second pair finds again (a cascade).
        Job job = ReadJobFromDialog(main);
        job.regex = true;
        job.replace = {{"(\\w+)@(\\w+)", "$2 (at) $1"}, {"\\((at)\\)", "[$1]"}, {"x{3}", "-"}};
        ReplacementTesterDialog tester(&main, job);
        tester.ControlAs<QPlainTextEdit>(kIdSampleLines)
            ->setPlainText(QStringLiteral("anna@example   \nbob@home"));
        tester.show();
        Save(&tester, "replacement-tester");
    }
    {
        ScanDialog scan(&main);
        scan.show();
        Settle(100);
        scan.ShowFolder(sample.subdirectory);
        Save(&scan, "scan");
    }
    {
        ProgressIndicator* run = Velmor_CreateProgressIndicator(
            &main, LoadTranslatedString(kTitleRun), kProgressCanStop, 12);
        Velmor_UpdateProgressIndicator(run, 5);
        Save(run, "progress-run");
        Velmor_DestroyProgressIndicator(run);
        ProgressIndicator* accept = Velmor_CreateProgressIndicator(
            &main, LoadTranslatedString(kTitleCommit), kProgressNoStop, 3);
        Velmor_UpdateProgressIndicator(accept, 2);
        Save(accept, "progress-accept");
        Velmor_DestroyProgressIndicator(accept);
    }
    {
        // A real run over sample files, so the summary shows the changes of
        // its first file.
        QTemporaryDir home;
        const std::string root = ToUtf8(home.path()) + "/" + sample.folder;
        QDir().mkpath(QString::fromUtf8(root + "/" + sample.subfolder));
        auto write = [](const std::string& path, const std::string& text) {
            QFile file(QString::fromUtf8(path));
            file.open(QIODevice::WriteOnly);
            file.write(text.data(), static_cast<qint64>(text.size()));
        };
        write(root + "/" + sample.letter, sample.letterText);
        write(root + "/" + sample.subfolder + "/" + sample.list, sample.listText);
        Job job;
        job.directories = {root};
        job.files = {"*.txt"};
        job.subdirs = true;
        job.keepLineEnds = true;
        job.deleteEmptyLines = true;
        job.code = CodeMode::Utf8;
        job.replace = {{sample.search1, sample.replace1}, {sample.search2, sample.replace2}};
        ShotRunUi ui(main);
        RunJob(job, CheckStart(job), ui);
    }
    std::string file = std::string(sample.subdirectory) + "/liste.txt";
    SaveNextModal("confirm-file");
    ShowMessage(kMsgConfirmFile, file);
    SaveNextModal("cannot-open");
    ShowMessage(kMsgCannotOpenFile, file);
    SaveNextModal("not-text");
    ShowMessage(kMsgNotTextFile, file);

    static const int kLanguages[] = {kLanguageEnglish, kLanguageGerman, 0};
    SaveNextModal("language");
    Velmor_SelectLanguage(&main, kLanguages, AppLanguage, 0);
    SaveNextModal("about");
    ShowAbout(main);

    FileDialogRequest request;
    request.filterId = kFilterProfiles;
    request.titleId = kTitleLoadProfile;
    request.owner = &main;
    std::string path = QDir::homePath().toStdString();
    SaveNextModal("load-profile");
    Velmor_ExtendedFileNameDialog(path, request);
    main.hide();
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmor Quintrel"));
    QApplication::setOrganizationName(QStringLiteral("Velmor Software"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
    if (argc != 3 ||
        (std::atoi(argv[2]) != kLanguageGerman && std::atoi(argv[2]) != kLanguageEnglish)) {
        std::fprintf(stderr, "usage: dialog-shots OUTPUT_DIR 49|44\n");
        return 2;
    }
    InitializeProgramValues();
    ShootLanguage(std::atoi(argv[2]), QString::fromLocal8Bit(argv[1]));
    return gSaved == 18 ? 0 : 1;
}
