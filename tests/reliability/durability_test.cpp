// Power cuts: no file is flushed on its own while a run works (the old
// content lives on in its backup, an old inode), and before the first backup
// is deleted the new contents are flushed to disk, once per file system. The
// order is read off the tool's system calls under ptrace.
#include "test_support.h"
#include "tool_process.h"

#include <algorithm>
#include <gtest/gtest.h>

using reliability::RecordSystemCalls;
using reliability::RunTool;
using reliability::SystemCall;
using testing_support::TempDir;

namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// What is wrong with the order of `calls`; empty when every backup is
// deleted only after a flush of the file system that follows the last
// renaming, no file is flushed on its own, and the file system is flushed
// `flushes` times.
std::string OrderProblem(const std::vector<SystemCall>& calls, std::size_t backups,
                         long flushes = 1) {
    std::size_t lastRename = 0;
    std::size_t flush = calls.size();
    std::size_t deleted = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const SystemCall& call = calls[i];
        if (call.name == "fsync" || call.name == "fdatasync") {
            return "a file was flushed on its own";
        }
        if (call.name == "rename") {
            lastRename = i;
            flush = calls.size();
        } else if (call.name == "syncfs" && flush == calls.size()) {
            flush = i;
        } else if (call.name == "unlink" && EndsWith(call.path, ".QUINTREL-BACKUP")) {
            if (flush == calls.size() || flush < lastRename) {
                return "the backup " + call.path +
                       " was deleted before the new contents were "
                       "flushed";
            }
            ++deleted;
        }
    }
    if (deleted != backups) {
        return std::to_string(deleted) + " backups deleted, not " + std::to_string(backups);
    }
    const long counted = std::count_if(calls.begin(), calls.end(),
                                       [](const SystemCall& c) { return c.name == "syncfs"; });
    if (counted != flushes) {
        return std::to_string(counted) + " flushes of the one file system, not " +
               std::to_string(flushes);
    }
    return {};
}

class Durability : public ::testing::Test {
protected:
    void SetUp() override {
        bool traced = false;
        RecordSystemCalls({"--version"}, dir.path(), &traced);
        if (!traced) {
            GTEST_SKIP() << "tracing is not allowed here";
        }
        for (int i = 0; i < 6; ++i) {
            testing_support::WriteFile(
                dir / ("d" + std::to_string(i % 2) + "/f" + std::to_string(i) + ".txt"),
                "Welt " + std::to_string(i) + "\n");
        }
    }
    std::vector<std::string> Job(std::vector<std::string> extra) const {
        std::vector<std::string> args = {"--dir", dir.path(),  "--subdirs", "--files",
                                         "*.txt", "--replace", "Welt",      "Erde"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    std::vector<SystemCall> Record(const std::vector<std::string>& args) {
        bool traced = false;
        std::vector<SystemCall> calls = RecordSystemCalls(args, dir.path(), &traced);
        if (!traced) {
            throw std::runtime_error("tracing is not allowed here");
        }
        return calls;
    }
    TempDir dir;
    TempDir logs;
};

TEST_F(Durability, ARunFlushesOnceBeforeItsBackupsGo) {
    EXPECT_EQ(OrderProblem(Record(Job({})), 6), "");
    EXPECT_EQ(testing_support::ReadFile(dir / "d0/f0.txt"), "Erde 0\n");
}

TEST_F(Durability, AcceptingAKeptRunFlushesBeforeItsBackupsGo) {
    ASSERT_EQ(RunTool(Job({"--keep", logs / "run.log"})).status, 0);
    EXPECT_EQ(OrderProblem(Record({"--accept-log", logs / "run.log"}), 6), "");
}

// Accepting flushes while it checks the files; a new content it puts in
// place itself needs a flush of its own before any backup goes.
TEST_F(Durability, AcceptingAFileLeftBetweenItsRenamesFlushesAfterPlacingIt) {
    ASSERT_EQ(RunTool(Job({"--keep", logs / "run.log"})).status, 0);
    ASSERT_EQ(::rename((dir / "d1/f1.txt").c_str(), (dir / "d1/f1.txt.QUINTREL-TEMP").c_str()), 0);
    EXPECT_EQ(OrderProblem(Record({"--accept-log", logs / "run.log"}), 6, 2), "");
    EXPECT_EQ(testing_support::ReadFile(dir / "d1/f1.txt"), "Erde 1\n");
}

TEST_F(Durability, RecoveryFlushesBeforeItsBackupsGo) {
    ASSERT_EQ(RunTool(Job({"--keep", logs / "run.log"})).status, 0);
    // One file as a run leaves it between its two renamings: recovery moves
    // its new content into place, then flushes, then deletes the backups.
    ASSERT_EQ(::rename((dir / "d1/f1.txt").c_str(), (dir / "d1/f1.txt.QUINTREL-TEMP").c_str()), 0);
    EXPECT_EQ(OrderProblem(Record({"--recover", dir.path(), "--accept"}), 6), "");
    EXPECT_EQ(testing_support::ReadFile(dir / "d1/f1.txt"), "Erde 1\n");
}

} // namespace
