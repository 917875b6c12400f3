// Crash consistency: quintrel-batch is killed with SIGKILL at many moments
// of a run (the scan, the copies, the renamings), of accepting and of undoing
// a kept run, and of its own recovery. After every kill each file is checked:
// until the changes are accepted its old content exists exactly once, under
// its name or under its backup name; whatever stands under its name is the
// old content or the complete new content, never a part; a temporary file
// holds nothing but the start of the new content. Then `--recover` must
// bring every file back to its old content (--undo) or to one of its two
// complete contents (--accept), leaving nothing behind.
//
// The kill points are the tool's system calls that read directories or
// open, write, flush, rename, link or delete files, counted under ptrace, so
// each run is killed at an exact, repeatable moment. Where tracing is not
// allowed (or QUINTREL_CRASH_TIMED is set), the tool is killed after a spread
// of delays instead.
//
// Size: QUINTREL_CRASH_POINTS kill points per phase (default 24) over a tree
// of QUINTREL_CRASH_FILES generated files besides the fixed ones (default
// 8); `make fuzz` runs it with hundreds of points.
#include "test_support.h"
#include "tool_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using reliability::KillRun;
using reliability::RunAndKillAt;
using reliability::RunTool;
using reliability::Snapshot;
using reliability::Tree;
using testing_support::TempDir;

namespace {

const std::string kBackup = ".QUINTREL-BACKUP";
const std::string kTemporary = ".QUINTREL-TEMP";

long Setting(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && std::atol(text) > 0 ? std::atol(text) : fallback;
}

// The tree a run works on: files that change and files that do not, in
// nested directories, an empty file, a binary file (skipped), and one file
// large enough to be written in several pieces.
Tree Original() {
    Tree tree;
    tree["a.txt"] = "Hallo Welt\n";
    tree["b.txt"] = "nothing to change\n";
    tree["empty.txt"] = "";
    tree["bin.dat"] = std::string(64, '\x01') + "Welt";
    tree["sub/c.txt"] = "Welt\r\nund Welt\r\n";
    tree["sub/deeper/d.txt"] = "eine Welt ohne Zeilenende";
    std::string big;
    for (int i = 0; big.size() < 2300 * 1024; ++i) {
        big += "Zeile " + std::to_string(i) + (i % 7 == 0 ? " mit Welt\n" : " ohne\n");
    }
    tree["sub/big.txt"] = big;
    const long generated = Setting("QUINTREL_CRASH_FILES", 8);
    for (long i = 0; i < generated; ++i) {
        tree["gen/d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt"] =
            "Datei " + std::to_string(i) + (i % 2 == 0 ? " Welt\n" : " Mond\n");
    }
    return tree;
}

enum class Phase {
    Run,           // scan, copies and renamings of a kept run
    Accept,        // accepting the kept run
    Undo,          // undoing the kept run
    RecoverUndo,   // --recover --undo over the kept run
    RecoverAccept, // --recover --accept over the kept run
};

const char* NameOf(Phase phase) {
    switch (phase) {
    case Phase::Run:
        return "run";
    case Phase::Accept:
        return "accept";
    case Phase::Undo:
        return "undo";
    case Phase::RecoverUndo:
        return "recover --undo";
    case Phase::RecoverAccept:
        return "recover --accept";
    }
    return "";
}

class CrashConsistency : public ::testing::Test {
protected:
    void SetUp() override {
        reliability::ResetTree(D(), Original());
        original_ = Snapshot(D()); // the directories too
        // The new contents, from a run that nobody interrupts.
        ASSERT_EQ(RunTool(Job({})).status, 0);
        expected_ = Snapshot(D());
        // The kept run that accepting and undoing start from.
        reliability::ResetTree(D(), original_);
        ASSERT_EQ(RunTool(Job({"--keep", Log()})).status, 0);
        kept_ = Snapshot(D());
        keptLog_ = testing_support::ReadFile(Log());
        for (const auto& [name, content] : original_) {
            if (content != reliability::kDirectory && expected_.at(name) != content) {
                changed_.push_back(name);
            }
        }
        ASSERT_EQ(changed_.size(),
                  4u + static_cast<std::size_t>((Setting("QUINTREL_CRASH_FILES", 8) + 1) / 2));
    }

    std::string D() const { return work_ / "tree"; }
    std::string Log() const { return work_ / "run.log"; }
    std::vector<std::string> Job(std::vector<std::string> extra) const {
        std::vector<std::string> args = {"--dir", D(),         "--subdirs", "--files",
                                         "*",     "--replace", "Welt",      "Erde"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    // Puts the tree (and the log) as the phase starts from.
    void Prepare(Phase phase) {
        ::unlink(Log().c_str());
        if (phase == Phase::Run) {
            reliability::ResetTree(D(), original_);
            return;
        }
        reliability::ResetTree(D(), kept_);
        testing_support::WriteFile(Log(), keptLog_);
    }

    std::vector<std::string> ArgsOf(Phase phase) const {
        switch (phase) {
        case Phase::Run:
            return Job({"--keep", Log()});
        case Phase::Accept:
            return {"--accept-log", Log()};
        case Phase::Undo:
            return {"--undo-log", Log()};
        case Phase::RecoverUndo:
            return {"--recover", D(), "--undo"};
        case Phase::RecoverAccept:
            return {"--recover", D(), "--accept"};
        }
        return {};
    }

    // What is wrong with the tree after a kill in `phase`; empty when every
    // file is in a state the phase allows.
    std::string Violation(Phase phase, const Tree& now) const {
        std::set<std::string> known;
        for (const auto& [name, old] : original_) {
            known.insert(name);
            if (old == reliability::kDirectory) {
                continue;
            }
            known.insert(name + kBackup);
            known.insert(name + kTemporary);
            const std::string& fresh = expected_.at(name);
            auto at = [&](const std::string& key) -> const std::string* {
                auto it = now.find(key);
                return it == now.end() ? nullptr : &it->second;
            };
            const std::string* p = at(name);
            const std::string* b = at(name + kBackup);
            const std::string* t = at(name + kTemporary);
            auto problem = [&](const std::string& what) { return name + ": " + what; };
            if (old == fresh) {
                if (p == nullptr || *p != old || b != nullptr || t != nullptr) {
                    return problem("a file the job does not change was touched");
                }
                continue;
            }
            if (p != nullptr && *p != old && *p != fresh) {
                return problem("its name holds neither the old nor the complete new content");
            }
            if (b != nullptr && *b != old) {
                return problem("the backup does not hold the old content");
            }
            if (t != nullptr && fresh.compare(0, t->size(), *t) != 0) {
                return problem("the temporary file holds something other than new content");
            }
            const bool committing = phase == Phase::Accept || phase == Phase::RecoverAccept;
            if (committing) {
                if (p == nullptr || *p != fresh || t != nullptr) {
                    return problem("accepting lost or changed the new content");
                }
                continue; // the old content may be gone: the user accepted
            }
            const int oldCopies = (p != nullptr && *p == old) + (b != nullptr);
            if (oldCopies != 1) {
                return problem("the old content exists " + std::to_string(oldCopies) + " times");
            }
            if (p == nullptr && (t == nullptr || *t != fresh)) {
                return problem("no name holds the complete new content while the file is missing");
            }
            if (p != nullptr && *p == fresh && b == nullptr) {
                return problem("the new content stands without its backup before accepting");
            }
            if (phase != Phase::Run && t != nullptr && *t != fresh) {
                return problem("a part of the new content appeared while finishing");
            }
        }
        for (const auto& [name, content] : now) {
            if (known.count(name) == 0) {
                return "unexpected name " + name;
            }
        }
        return {};
    }

    // What is wrong after recovery: every file holds one of its complete
    // contents and nothing is left beside it. `killed` is the tree before
    // recovery: a file whose old content was still there must have it back
    // after --undo, one whose new content stood under its name keeps it
    // after --accept.
    std::string RecoveryViolation(const Tree& killed, const Tree& now, bool undo) const {
        for (const auto& [name, content] : now) {
            if (original_.count(name) == 0) {
                return "left behind: " + name;
            }
        }
        for (const auto& [name, old] : original_) {
            auto it = now.find(name);
            if (it == now.end()) {
                return "missing after recovery: " + name;
            }
            if (old == reliability::kDirectory) {
                continue;
            }
            const std::string& fresh = expected_.at(name);
            if (it->second != old && it->second != fresh) {
                return name + " holds neither of its contents after recovery";
            }
            const bool oldWasThere = killed.count(name + kBackup) != 0 ||
                                     (killed.count(name) != 0 && killed.at(name) == old);
            if (undo && oldWasThere && it->second != old) {
                return name + " did not get its old content back";
            }
            const bool newStood = killed.count(name) != 0 && killed.at(name) == fresh;
            if (!undo && newStood && it->second != fresh) {
                return name + " lost its accepted new content";
            }
        }
        return {};
    }

    // Kills the phase at evenly spread points and checks each outcome, and
    // the recovery after it (alternately --undo and --accept).
    void Exercise(Phase phase) {
        SCOPED_TRACE(NameOf(phase));
        Prepare(phase);
        KillRun whole = RunAndKillAt(ArgsOf(phase), work_.path(), 0);
        const long points = Setting("QUINTREL_CRASH_POINTS", 24);
        std::vector<long> killAt;
        long total = whole.counted;
        double seconds = 0;
        // QUINTREL_CRASH_TIMED=1 tries the delays even where tracing works.
        whole.traced = whole.traced && std::getenv("QUINTREL_CRASH_TIMED") == nullptr;
        if (!whole.traced) {
            // No tracing here: the run's length in time is spread instead.
            Prepare(phase);
            auto start = std::chrono::steady_clock::now();
            RunTool(ArgsOf(phase));
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            total = points;
        }
        ASSERT_GT(total, 0);
        for (long i = 0; i < points && i < total; ++i) {
            killAt.push_back(1 + (total - 1) * i / std::max(1L, std::min(points, total) - 1));
        }
        int failures = 0;
        std::size_t killedRuns = 0;
        for (std::size_t i = 0; i < killAt.size() && failures < 3; ++i) {
            const long k = killAt[i];
            Prepare(phase);
            if (whole.traced) {
                // The tool's threads make the count vary a little from run to
                // run: a point near the end may not be reached, and then the
                // run ends as it would have anyway (checked all the same).
                killedRuns += RunAndKillAt(ArgsOf(phase), work_.path(), k).killed ? 1 : 0;
            } else {
                reliability::RunAndKillAfter(ArgsOf(phase), work_.path(),
                                             static_cast<long>(seconds * 1e6 * k / total));
            }
            const Tree killed = Snapshot(D());
            const std::string violation = Violation(phase, killed);
            if (!violation.empty()) {
                ADD_FAILURE() << "killed at " << k << " of " << total << ": " << violation;
                ++failures;
                continue;
            }
            const bool undo = i % 2 == 0;
            auto recovered = RunTool({"--recover", D(), undo ? "--undo" : "--accept"});
            EXPECT_EQ(recovered.status, 0) << recovered.out << recovered.err;
            const Tree now = Snapshot(D());
            const std::string after = RecoveryViolation(killed, now, undo);
            if (!after.empty()) {
                ADD_FAILURE() << "killed at " << k << " of " << total << ", then --recover "
                              << (undo ? "--undo: " : "--accept: ") << after;
                ++failures;
            }
            if (undo &&
                (phase == Phase::Run || phase == Phase::Undo || phase == Phase::RecoverUndo)) {
                EXPECT_EQ(now, original_) << "killed at " << k;
            }
            // Nothing is left to report.
            EXPECT_EQ(RunTool({"--recover", D()}).status, 0) << "killed at " << k;
        }
        if (whole.traced) {
            EXPECT_GE(killedRuns, killAt.size() * 3 / 4) << "the kill points were not reached";
        }
        std::printf("[ crash    ] %s: %s, %zu kill points over %ld moments\n", NameOf(phase),
                    whole.traced ? "traced" : "timed", killAt.size(), total);
    }

    TempDir work_;
    Tree original_;
    Tree expected_;
    Tree kept_;
    std::string keptLog_;
    std::vector<std::string> changed_;
};

TEST_F(CrashConsistency, KilledDuringScanCopyAndRenames) {
    Exercise(Phase::Run);
}

TEST_F(CrashConsistency, KilledWhileAccepting) {
    Exercise(Phase::Accept);
}

TEST_F(CrashConsistency, KilledWhileUndoing) {
    Exercise(Phase::Undo);
}

TEST_F(CrashConsistency, KilledWhileRecovering) {
    Exercise(Phase::RecoverUndo);
    Exercise(Phase::RecoverAccept);
}

} // namespace
