// Rewriting one file of a run: the text test, the copy through the
// temporary file beside it with the line operations, the confirmation, and
// the commit (the file becomes its backup, the copy takes its name).
#pragma once

#include "change_log.h"
#include "line_processor.h"
#include "run_ui.h"
#include "safe_path.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

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
    // The record of the last file committed, for the change log.
    ChangeRecord record;
    // Reaches each file without following a link below the run's directories
    // (null: by its path).
    PathResolver* resolver = nullptr;
    // Copies go to the temporary directory and no file is renamed (see
    // RunOptions::dryRun).
    bool dryRun = false;
};

// 1: go on with the file (also when it cannot be opened: the rewrite reports
// that), 0: skip it (the user acknowledged message 2013), -1: end the run.
int IsTextFile(const std::string& path, RunUi& ui);
// The same for the file reached as `reach` (see PathResolver).
int IsTextFile(const std::string& path, const std::string& reach, RunUi& ui);

// Rewrites one file. Committed: the file was changed, its old content is its
// backup, the counters were added and context.record says what was read and
// written. Unchanged: skipped, declined, or nothing to change (the file was
// only read). EndRun: a message ended the run.
//
// The file is locked while it is read, copied and renamed; a file another
// program has locked or open (a write lease cannot be had), or that is
// write-protected, or whose owner, permissions or extended attributes the
// copy cannot carry, is reported and left as it is. Right before the file
// becomes its backup, it must still be what was read; otherwise the copy is
// discarded and the file done again (after a confirmation, asked again).
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
    Prepared,     // it changes, and its new content already waits in its temporary file
};

struct LookResult {
    Verdict verdict = Verdict::NeedsRewrite;
    FileCounters counters;  // of the prepared copy
    FileIdentity source;    // the file as it was read
    FileIdentity temporary; // the prepared copy
    std::uint64_t hash = 0; // of the prepared copy's content
    std::size_t bytes = 0;  // the size of the file read
};

// Looks at a file ahead of its turn: the same tests the rewrite makes, without
// any message. When the file would change, is small, and `mayPrepare` says
// there is room, its new content is written to its temporary file right away
// (Verdict::Prepared); the file itself is never touched here.
LookResult LookAhead(const std::string& path, const LineSettings& lines, ScratchBuffers& scratch,
                     const std::function<bool(std::size_t bytes)>& mayPrepare = {},
                     PathResolver* resolver = nullptr);

// Commits a file prepared ahead, at its turn: if the file, its lock and its
// temporary file are as they were when it was prepared, only the confirmation
// and the renamings are left; otherwise the prepared copy is discarded and the
// file is rewritten in full. The result and messages are those of RewriteFile.
FileResult CommitPrepared(const std::string& path, const LookResult& prepared,
                          RewriteContext& context);

// Deletes the temporary file of a prepared look that will not be committed,
// if it is still the one that was written.
void DiscardPrepared(const std::string& path, const LookResult& prepared,
                     PathResolver* resolver = nullptr);
