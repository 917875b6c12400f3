// review_bench: how long the summary takes to open after a big run, and how
// long its change view takes to show the first changes of a big file.
//   review_bench DIR FILES BIG_MEGABYTES
// Makes FILES small files (a few changed lines each) below DIR/many and runs
// a job over them, then one file of BIG_MEGABYTES (a line in a thousand
// changed) in DIR/big (0: left out). In each run's summary it reports, in
// seconds: opening the summary (built, shown, laid out, the first file's
// changes in view) and the change view's first rows; then the run is undone
// and the files are deleted. Only figures are printed; nothing is asserted.
#include "change_view_model.h"
#include "commit_undo.h"
#include "run_job.h"
#include "start_check.h"
#include "summary_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace {

// A RunUi that answers nothing and measures the summary.
class BenchUi : public RunUi {
public:
    explicit BenchUi(std::string name) : name_(std::move(name)) {}
    Answer ShowMessage(int id, std::string_view insert1, std::string_view) override {
        std::fprintf(stderr, "review_bench: message %d %.*s\n", id,
                     static_cast<int>(insert1.size()), insert1.data());
        return Answer::Ok;
    }
    void RunSummary(const RunSummaryInfo& info) override {
        QElapsedTimer clock;
        clock.start();
        SummaryDialog summary(nullptr, info, *this);
        summary.show();
        QApplication::processEvents();
        const double opened = clock.nsecsElapsed() / 1e9;
        // The first rows of the current file's view (there at once unless
        // its first change lies far into it).
        while (summary.Changes().rowCount() == 0 && summary.Changes().Searching()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        const double firstRows = clock.nsecsElapsed() / 1e9;
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%-44s %8ld files %8.3f s open %8.3f s first rows (%d rows)  peak %ld MiB\n",
                    name_.c_str(), static_cast<long>(info.statistics.FilesChanged), opened,
                    firstRows, summary.Changes().rowCount(), usage.ru_maxrss / 1024);
        std::fflush(stdout);
        UndoChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
    }

private:
    std::string name_;
};

void Run(const std::string& name, const std::string& directory) {
    Job job;
    job.directories = {directory};
    job.files = {"*.txt"};
    job.subdirs = true;
    job.keepLineEnds = true;
    job.replace = {{"token", "TOKEN"}};
    BenchUi ui(name);
    RunJob(job, CheckStart(job), ui);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: review_bench DIR FILES BIG_MEGABYTES\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    const long files = std::atol(argv[2]);
    const long megabytes = std::atol(argv[3]);

    const fs::path many = root / "review-many";
    fs::remove_all(many);
    for (long i = 0; i < files; ++i) {
        const fs::path folder = many / ("d" + std::to_string(i / 100));
        if (i % 100 == 0) {
            fs::create_directories(folder);
        }
        std::ofstream(folder / ("f" + std::to_string(i) + ".txt"))
            << "first line\nthe token " << i << "\nunchanged\nanother token here\n";
    }
    if (files > 0) {
        Run("summary after a run that changed many files", many.string());
        fs::remove_all(many);
    }

    if (megabytes > 0) {
        const fs::path big = root / "review-big";
        fs::remove_all(big);
        fs::create_directories(big);
        {
            // A line in a thousand holds the token; written a megabyte at a time.
            std::string block;
            long line = 0;
            while (block.size() < (1u << 20)) {
                block += ++line % 1000 == 10 ? "a line that holds the token to replace\n"
                                             : "an ordinary line of text, left as it is\n";
            }
            std::ofstream out(big / "big.txt", std::ios::binary);
            for (long written = 0; written < megabytes; ++written) {
                out.write(block.data(), static_cast<std::streamsize>(block.size()));
            }
        }
        Run("change view of a file of " + std::to_string(megabytes) + " MB", big.string());
        fs::remove_all(big);
    }
    return 0;
}
