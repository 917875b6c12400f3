// Power cuts on a real ext4 file system: an image on a loop device is cut off
// from its disk with the shutdown ioctl (no log flush), right after a kept
// run or in the middle of one, then mounted again (the journal is replayed)
// and the run is finished: by its change log, or by recovery, which reads
// the record each rewrite leaves on the backup (the extended attribute
// user.velmor-quintrel). Whatever the moment, every file ends with its old
// or its complete new content, never empty and never a part.
//
// What makes a cut lose contents: ext4 writes a new file's data late
// (delayed allocation) while its journal commits the renamings within
// seconds. The test commits the journal before the cut, as ext4 does by
// itself, so the renamings survive and the new contents do not: a changed
// file comes back empty under its name. The boot is the same after the
// test's cut, so a lost content is recognised by its size (after a real
// reboot the content's hash is compared too).
//
// A file system that cannot be flushed: an ext4 image whose backing file
// lies on a tmpfs that is full, so writing back the new contents fails and
// so does the flush before the backups would go.
#include "file_systems.h"
#include "test_support.h"
#include "tool_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

using reliability::LoopExt4;
using reliability::Next;
using reliability::PendingCall;
using reliability::RunTool;
using reliability::Snapshot;
using reliability::ToolResult;
using reliability::Tree;
using testing_support::TempDir;

namespace {

const std::string kBackup = ".QUINTREL-BACKUP";
const std::string kTemporary = ".QUINTREL-TEMP";
constexpr int kFiles = 6;

std::string Name(int i) {
    return "f" + std::to_string(i) + ".txt";
}

// A file's content before the run and after it (the run replaces "Welt" and
// writes CR LF line ends).
std::string Old(int i) {
    std::string text;
    for (int line = 0; line < 40 + i; ++line) {
        text += "Datei " + std::to_string(i) + " Zeile " + std::to_string(line) + " Welt\n";
    }
    return text;
}
std::string New(int i) {
    std::string text;
    for (int line = 0; line < 40 + i; ++line) {
        text += "Datei " + std::to_string(i) + " Zeile " + std::to_string(line) + " Erde\r\n";
    }
    return text;
}

Tree Original() {
    Tree tree;
    for (int i = 0; i < kFiles; ++i) {
        tree[Name(i)] = Old(i);
    }
    tree["same.txt"] = "nichts zu ändern\n";
    return tree;
}

// What is wrong with the tree after the run was finished; empty when every
// file holds its old content (undone) or one of its two complete contents
// (accepted), and nothing is left beside them.
std::string Broken(const Tree& now, bool undone) {
    std::string problems;
    for (int i = 0; i < kFiles; ++i) {
        auto it = now.find(Name(i));
        if (it == now.end()) {
            problems += Name(i) + " is missing\n";
        } else if (it->second != Old(i) && (undone || it->second != New(i))) {
            problems += Name(i) + " holds " + std::to_string(it->second.size()) +
                        " bytes that are neither of its contents\n";
        }
    }
    for (const auto& [name, content] : now) {
        if (name != "same.txt" && name.rfind(".txt") != name.size() - 4) {
            problems += "left beside the files: " + name + "\n";
        }
    }
    return problems;
}

// The files whose content is lost under their own name right after the cut
// (empty or a part of the new content).
std::vector<std::string> LostUnderTheirName(const Tree& now) {
    std::vector<std::string> lost;
    for (int i = 0; i < kFiles; ++i) {
        auto it = now.find(Name(i));
        if (it != now.end() && it->second != Old(i) && it->second != New(i)) {
            lost.push_back(Name(i));
        }
    }
    return lost;
}

bool FlushEverything(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool done = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

enum class Finish { AcceptLog, RecoverAccept, RecoverUndo };

const char* NameOf(Finish finish) {
    switch (finish) {
    case Finish::AcceptLog:
        return "--accept-log";
    case Finish::RecoverAccept:
        return "--recover --accept";
    case Finish::RecoverUndo:
        return "--recover --undo";
    }
    return "";
}

class PowerCut : public ::testing::Test {
protected:
    // A fresh ext4 file system with the original files, all on disk; null
    // (with the reason) where the machine cannot do it.
    std::unique_ptr<LoopExt4> FreshDisk(std::string& why) {
        auto disk = std::make_unique<LoopExt4>(work / "disk.img", 64LL << 20, work / "disk");
        if (!disk->ok()) {
            why = disk->problem();
            return nullptr;
        }
        reliability::MakeTree(TreeOf(disk->root()), Original());
        if (!FlushEverything(disk->root())) {
            why = "the new file system cannot be flushed";
            return nullptr;
        }
        return disk;
    }
    static std::string TreeOf(const std::string& root) { return root + "/tree"; }
    static std::vector<std::string> Job(const std::string& root, std::vector<std::string> extra) {
        std::vector<std::string> args = {"--dir",     TreeOf(root), "--files", "*.txt",
                                         "--replace", "Welt",       "Erde",    "--crlf"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    static ToolResult FinishRun(Finish finish, const std::string& root) {
        switch (finish) {
        case Finish::AcceptLog:
            return RunTool({"--accept-log", root + "/run.log"});
        case Finish::RecoverAccept:
            return RunTool({"--recover", TreeOf(root), "--accept"});
        case Finish::RecoverUndo:
            break;
        }
        return RunTool({"--recover", TreeOf(root), "--undo"});
    }

    TempDir work;
};

TEST_F(PowerCut, RightAfterAKeptRun) {
    for (Finish finish : {Finish::AcceptLog, Finish::RecoverAccept, Finish::RecoverUndo}) {
        SCOPED_TRACE(NameOf(finish));
        std::string why;
        std::unique_ptr<LoopExt4> disk = FreshDisk(why);
        if (!disk) {
            GTEST_SKIP() << "no ext4 file system on a loop device here: " << why;
        }
        const std::string root = disk->root();
        // The change log lies on the same disk.
        ToolResult run = RunTool(Job(root, {"--keep", root + "/run.log"}));
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_TRUE(disk->CommitJournal());
        ASSERT_TRUE(disk->CutPower()) << "the shutdown ioctl is refused here";
        ASSERT_TRUE(disk->Remount()) << disk->problem();

        const reliability::Tree cut = Snapshot(TreeOf(root));
        const std::vector<std::string> lost = LostUnderTheirName(cut);
        // The cut did what a power cut does on ext4: the renamings stayed,
        // the new contents did not; and each backup has its record.
        EXPECT_FALSE(lost.empty()) << "no content was lost: the cut tested nothing";
        for (const std::string& name : lost) {
            char value[256];
            EXPECT_GT(::lgetxattr((TreeOf(root) + "/" + name + kBackup).c_str(),
                                  "user.velmor-quintrel", value, sizeof value),
                      0)
                << name;
        }

        ToolResult finished = FinishRun(finish, root);
        const reliability::Tree now = Snapshot(TreeOf(root));
        EXPECT_EQ(Broken(now, finish == Finish::RecoverUndo), "") << finished.out << finished.err;
        for (const std::string& name : lost) {
            const std::string path = TreeOf(root) + "/" + name;
            if (finish == Finish::AcceptLog) {
                // The old content came back, and the user is told.
                EXPECT_NE(finished.err.find("Die Datei  '" + path +
                                            "'  enthält nicht mehr, was der Lauf geschrieben "
                                            "hat; der alte Inhalt wurde aus  '" +
                                            path + kBackup + "'  zurückgeholt."),
                          std::string::npos)
                    << finished.err;
            } else if (finish == Finish::RecoverAccept) {
                // Named among what needs the user's attention.
                EXPECT_NE(finished.err.find(path + "' -> der neue Inhalt ging verloren; "
                                                   "vorheriger Inhalt zurückgestellt"),
                          std::string::npos)
                    << finished.err;
            }
        }
        if (finish == Finish::AcceptLog || (finish == Finish::RecoverAccept && !lost.empty())) {
            EXPECT_EQ(finished.status, 1) << "a lost content is not what accepting asked for";
        } else {
            EXPECT_EQ(finished.signal, 0);
        }
    }
}

// The power goes while the run is at one of its renamings: the moments
// between a file's two renamings, and after some files were done.
TEST_F(PowerCut, InTheMiddleOfARun) {
    struct Case {
        const char* name;
        int cutAtRename; // the renaming (counted from 1) the power goes at
        Finish finish;
    };
    const Case cases[] = {
        {"before the first renaming, undone", 1, Finish::RecoverUndo},
        {"before the first renaming, accepted", 1, Finish::RecoverAccept},
        {"between the first file's renamings, undone", 2, Finish::RecoverUndo},
        {"between the first file's renamings, accepted", 2, Finish::RecoverAccept},
        {"between the third file's renamings, undone", 6, Finish::RecoverUndo},
        {"after three files, undone", 7, Finish::RecoverUndo},
        {"after three files, accepted", 7, Finish::RecoverAccept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        std::unique_ptr<LoopExt4> disk = FreshDisk(why);
        if (!disk) {
            GTEST_SKIP() << "no ext4 file system on a loop device here: " << why;
        }
        const std::string root = disk->root();
        int renames = 0;
        bool cut = false;
        reliability::TracedRun run =
            reliability::TraceTool(Job(root, {}), {}, [&](const PendingCall& call) {
                if (call.number != SYS_renameat2 && call.number != SYS_renameat) {
                    return Next::Go;
                }
                if (++renames < c.cutAtRename) {
                    return Next::Go;
                }
                cut = disk->CommitJournal() && disk->CutPower();
                return Next::Kill;
            });
        if (!run.traced) {
            GTEST_SKIP() << "tracing is not allowed here";
        }
        ASSERT_TRUE(cut) << "the power was not cut at renaming " << c.cutAtRename;
        ASSERT_TRUE(disk->Remount()) << disk->problem();
        const reliability::Tree before = Snapshot(TreeOf(root));
        ToolResult finished = FinishRun(c.finish, root);
        EXPECT_EQ(finished.signal, 0);
        EXPECT_EQ(Broken(Snapshot(TreeOf(root)), c.finish == Finish::RecoverUndo), "")
            << "after the cut: " << reliability::Difference(before, Original()) << finished.out
            << finished.err;
    }
}

TEST_F(PowerCut, AFileSystemThatCannotBeFlushedKeepsTheBackups) {
    // The image lies on a small tmpfs. Everything the new file system needs
    // at the start is written while the image is made; then the tmpfs is
    // filled up, so no new block of the image can be written any more.
    reliability::TmpfsMount backing(work / "backing", 8LL << 20);
    if (!backing.ok()) {
        GTEST_SKIP() << backing.problem();
    }
    LoopExt4 disk(work / "backing/disk.img", 64LL << 20, work / "disk",
                  {"-E", "lazy_itable_init=0,lazy_journal_init=0", "-J", "size=4"},
                  "errors=continue");
    if (!disk.ok()) {
        GTEST_SKIP() << "no ext4 file system on a loop device here: " << disk.problem();
    }
    std::string big;
    for (int i = 0; big.size() < (3 << 20); ++i) {
        big += "Zeile " + std::to_string(i) + " Welt\n";
    }
    const reliability::Tree before = {{"big.txt", big}, {"small.txt", "Welt\n"}};
    reliability::MakeTree(disk.root(), before);
    ASSERT_TRUE(FlushEverything(disk.root()));
    {
        // Fills what is left of the tmpfs.
        int fill = ::open((work / "backing/fill").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fill, 0);
        const std::string block(1 << 16, '\0');
        while (::write(fill, block.data(), block.size()) > 0) {
        }
        const std::string byte(1, '\0');
        while (::write(fill, byte.data(), 1) > 0) {
        }
        ::close(fill);
    }
    ToolResult r =
        RunTool({"--dir", disk.root(), "--files", "*.txt", "--replace", "Welt", "Erde", "--crlf"});
    EXPECT_EQ(r.status, 1) << r.err;
    for (const char* name : {"big.txt", "small.txt"}) {
        const std::string path = disk.root() + "/" + name;
        EXPECT_NE(r.err.find("Die neue Fassung von  '" + path +
                             "'  konnte nicht sicher auf die Platte geschrieben werden; die "
                             "Sicherung  '" +
                             path + kBackup + "'  bleibt erhalten."),
                  std::string::npos)
            << r.err;
        // The old content is still there.
        EXPECT_EQ(testing_support::ReadFile(path + kBackup), before.at(name));
    }
}

} // namespace
