// Rewriting one file of a run: the text test, the copy through the
// temporary file beside it with the line operations, the confirmation, and
// the commit (the file becomes its backup, the copy takes its name).
#pragma once

#include "line_processor.h"
#include "run_ui.h"

#include <cstddef>
#include <memory>
#include <string>

enum class FileResult { EndRun = -1, Unchanged = 0, Committed = 1 };

// Memory reused from file to file: a read buffer (never cleared, so growing
// it costs nothing per file) and the write buffer of the new file.
class ScratchBuffers {
public:
    // At least `size` bytes; the contents are whatever was there.
    char* Read(std::size_t size);
    std::string& Write() { return write_; }

private:
    std::unique_ptr<char[]> read_;
    std::size_t readSize_ = 0;
    std::string write_;
};

struct RewriteContext {
    LineSettings lines;
    bool confirm = false;
    RunUi* ui = nullptr;
    RunStatistics* statistics = nullptr;
    ScratchBuffers scratch;
};

inline constexpr const char* kTemporarySuffix = ".QUINTREL-TEMP";
inline constexpr const char* kBackupSuffix = ".QUINTREL-BACKUP";

// 1: go on with the file (also when it cannot be opened: the rewrite reports
// that), 0: skip it (the user acknowledged message 2013), -1: end the run.
int IsTextFile(const std::string& path, RunUi& ui);

// Rewrites one file. Committed: the file was changed, its old content is its
// backup, the counters were added. Unchanged: skipped, declined, or nothing to
// change (the file was only read). EndRun: a message ended the run.
//
// What is left on disk when it fails:
// - the temporary file cannot be created (2009), cannot be written (2010):
//   the file untouched, no temporary file;
// - the confirmation is cancelled: the file untouched, the temporary file kept;
// - the file cannot become its backup (2012; also when a backup of an earlier
//   run stands there, which is never deleted): both as they were, the
//   temporary file kept;
// - the copy cannot take the file's name (2012): the backup is moved back, so
//   the file has its old content under its name again.
FileResult RewriteFile(const std::string& path, RewriteContext& context);

// What a look at a file ahead of its turn found.
enum class Verdict {
    Unchanged,    // text, can be opened and locked, and nothing in it would change
    NeedsRewrite, // anything else: the run handles it in full when its turn comes
};

// Looks at a file without changing anything: the same tests the rewrite makes
// before it would write, without any message.
Verdict LookAhead(const std::string& path, const LineSettings& lines, ScratchBuffers& scratch);
