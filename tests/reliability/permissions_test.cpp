// Permissions against the built quintrel-batch, with real owners, access
// ACLs (setfacl), extended attributes (setfattr) and a directory whose
// default ACL new files inherit. The copy of a file gets its owner, group,
// mode, ACL and attributes before its first byte is written, so no other
// user can read it at any moment that the file itself would not let them;
// the new file ends with exactly what the old one had. A user who may not
// write a file, or whose copy could not keep its owner or group, leaves it
// as it is.
#include "test_support.h"
#include "tool_process.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using reliability::kUnprivileged;
using reliability::Next;
using reliability::PendingCall;
using reliability::RunProgram;
using reliability::RunTool;
using reliability::ToolResult;
using reliability::ToolSetup;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

const std::string kTemporary = ".QUINTREL-TEMP";
// Owners that are neither root nor the unprivileged user.
constexpr uid_t kOwner = 4321;
constexpr uid_t kOtherUser = 4322;

// Everything about a file that its permissions are made of: owner, group,
// mode, and every extended attribute (the ACL among them).
struct FileAccess {
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    std::map<std::string, std::string> attributes;
    bool operator==(const FileAccess& other) const {
        return uid == other.uid && gid == other.gid && mode == other.mode &&
               attributes == other.attributes;
    }
};

std::ostream& operator<<(std::ostream& out, const FileAccess& p) {
    out << "owner " << p.uid << ":" << p.gid << " mode 0" << std::oct << p.mode << std::dec;
    for (const auto& [name, value] : p.attributes) {
        out << " " << name << "(" << value.size() << " bytes)";
    }
    return out;
}

FileAccess AccessOf(const std::string& path) {
    FileAccess p;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        ADD_FAILURE() << "stat " << path;
        return p;
    }
    p.uid = st.st_uid;
    p.gid = st.st_gid;
    p.mode = st.st_mode & 07777;
    char names[4096];
    ssize_t size = ::listxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; size > 0 && at < size;) {
        const std::string name(names + at);
        at += static_cast<ssize_t>(name.size()) + 1;
        char value[4096];
        ssize_t n = ::getxattr(path.c_str(), name.c_str(), value, sizeof value);
        if (n >= 0 && name != "user.velmor-quintrel") {
            p.attributes[name] = std::string(value, static_cast<std::size_t>(n));
        }
    }
    return p;
}

// True when the unprivileged user can open `path` for reading.
bool OthersCanRead(const std::string& path) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivileged) != 0 ||
            ::setuid(kUnprivileged) != 0) {
            ::_exit(2);
        }
        ::_exit(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) >= 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunCommand(const std::vector<std::string>& argv, std::string* why) {
    ToolResult r = RunProgram(argv);
    if (r.status != 0) {
        *why = argv[0] + " failed (" + std::to_string(r.status) + "): " + r.err;
        return false;
    }
    return true;
}

class Permissions : public ::testing::Test {
protected:
    Permissions() { ::chmod(dir.path().c_str(), 0755); }
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    TempDir dir;
};

} // namespace

// Files with owners, modes, ACLs and attributes, in a plain directory and in
// one with a default ACL: each copy is checked as its first byte is written
// (the tool waits under ptrace), and each new file once the run is done.
TEST_F(Permissions, TheCopyCarriesEverythingBeforeItsFirstByte) {
    if (!reliability::RunningAsRoot()) {
        GTEST_SKIP() << "files of other owners need root to be made";
    }
    struct File {
        const char* name;
        mode_t mode;
        std::vector<std::vector<std::string>> commands; // run on the file (its path last)
    };
    const File files[] = {
        {"private.txt", 0600, {{"/usr/bin/setfattr", "-n", "user.note", "-v", "kept"}}},
        {"shared.txt",
         0640,
         {{"/usr/bin/setfacl", "-m", "u:" + std::to_string(kOtherUser) + ":rw"},
          {"/usr/bin/setfattr", "-n", "trusted.note", "-v", "root only"}}},
        {"script.txt", 02750, {}},
        {"open.txt", 0644, {}},
    };
    std::string why;
    // The second directory hands its default ACL, which gives every user
    // everything, to each file made in it; the files here have their own.
    testing_support::MakeDirs(P("inheriting"));
    if (!RunCommand({"/usr/bin/setfacl", "-d", "-m", "u::rwx,g::rwx,o::rwx", P("inheriting")},
                    &why)) {
        GTEST_SKIP() << "no ACLs here (Debian package acl, a file system with ACLs): " << why;
    }
    std::map<std::string, FileAccess> before;
    std::map<std::string, bool> readable;
    for (const char* directory : {"plain", "inheriting"}) {
        for (const File& file : files) {
            const std::string path = P(std::string(directory) + "/" + file.name);
            testing_support::WriteFile(path, "Welt\n");
            // The file's own permissions, not the inherited ones.
            if (!RunCommand({"/usr/bin/setfacl", "-b", path}, &why)) {
                GTEST_SKIP() << why;
            }
            ASSERT_EQ(::chown(path.c_str(), kOwner, kOwner), 0);
            ASSERT_EQ(::chmod(path.c_str(), file.mode), 0);
            for (std::vector<std::string> command : file.commands) {
                command.push_back(path);
                if (!RunCommand(command, &why)) {
                    GTEST_SKIP() << "no extended attributes or ACLs here (Debian packages attr "
                                    "and acl): "
                                 << why;
                }
            }
            before[path] = AccessOf(path);
            readable[path] = OthersCanRead(path);
        }
    }
    ASSERT_FALSE(readable[P("plain/private.txt")]);
    ASSERT_TRUE(readable[P("plain/open.txt")]);

    std::map<std::string, FileAccess> atFirstByte;
    std::map<std::string, bool> readableAtFirstByte;
    reliability::TracedRun run = reliability::TraceTool(
        {"--dir", P("plain"), "--dir", P("inheriting"), "--files", "*.txt", "--replace", "Welt",
         "Erde", "--crlf"},
        {}, [&](const PendingCall& call) {
            if (call.number != SYS_write && call.number != SYS_pwrite64) {
                return Next::Go;
            }
            const std::string copy = call.DescriptorPath(0);
            if (copy.size() <= kTemporary.size() ||
                copy.compare(copy.size() - kTemporary.size(), kTemporary.size(), kTemporary) != 0) {
                return Next::Go;
            }
            const std::string path = copy.substr(0, copy.size() - kTemporary.size());
            if (atFirstByte.count(path) == 0) {
                atFirstByte[path] = AccessOf(copy);
                readableAtFirstByte[path] = OthersCanRead(copy);
            }
            return Next::Go;
        });
    if (!run.traced) {
        GTEST_SKIP() << "tracing is not allowed here";
    }
    EXPECT_EQ(run.status, 0);
    for (const auto& [path, access] : before) {
        SCOPED_TRACE(path);
        ASSERT_EQ(atFirstByte.count(path), 1u) << "no copy was written";
        EXPECT_EQ(atFirstByte[path], access) << "the copy as its first byte is written";
        EXPECT_EQ(readableAtFirstByte[path], readable[path])
            << "another user's access to the copy as its first byte is written";
        EXPECT_EQ(AccessOf(path), access) << "the new file";
        EXPECT_EQ(OthersCanRead(path), readable[path]) << "another user's access to the new file";
        EXPECT_EQ(ReadFile(path), "Erde\r\n");
    }
}

// An unprivileged user in a setgid directory the user may write to, among
// files of other owners and groups: a file the user may not write, and one
// whose copy could not keep its owner or group, stay as they are.
TEST_F(Permissions, WhatAnUnprivilegedUserMayNotChange) {
    if (!reliability::RunningAsRoot()) {
        GTEST_SKIP() << "files of other owners need root to be made";
    }
    struct File {
        const char* name;
        uid_t uid;
        gid_t gid;
        mode_t mode;
        int message; // 0: changed; else the message that leaves it as it is
    };
    const File files[] = {
        {"another-users.txt", kOwner, kOwner, 0644, 2021},
        {"own-read-only.txt", kUnprivileged, kUnprivileged, 0444, 2021},
        {"another-users-group-writable.txt", kOwner, kUnprivileged, 0664, 2022},
        {"own-in-a-foreign-group.txt", kUnprivileged, kOwner, 0666, 2022},
        {"own.txt", kUnprivileged, kUnprivileged, 0640, 0},
    };
    const std::string shared = P("shared");
    testing_support::MakeDirs(shared);
    ASSERT_EQ(::chown(shared.c_str(), 0, kUnprivileged), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 02775), 0);
    std::map<std::string, FileAccess> before;
    for (const File& file : files) {
        const std::string path = shared + "/" + file.name;
        testing_support::WriteFile(path, "Welt\n");
        ASSERT_EQ(::chown(path.c_str(), file.uid, file.gid), 0);
        ASSERT_EQ(::chmod(path.c_str(), file.mode), 0);
        before[path] = AccessOf(path);
    }
    ToolSetup setup;
    setup.unprivileged = true;
    setup.watchdogSeconds = 60;
    ToolResult r = RunTool(
        {"--dir", shared, "--files", "*.txt", "--replace", "Welt", "Erde", "--crlf"}, setup);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const File& file : files) {
        const std::string path = shared + "/" + file.name;
        SCOPED_TRACE(path);
        EXPECT_EQ(AccessOf(path), before[path]);
        EXPECT_EQ(ReadFile(path), file.message == 0 ? "Erde\r\n" : "Welt\n");
        const std::string text =
            file.message == 2021
                ? "Die Datei  '" + path + "'  ist schreibgeschützt und wird nicht verändert.\n"
                : "Besitzer, Rechte oder erweiterte Attribute der Datei  '" + path +
                      "'  lassen sich nicht auf ihre neue Fassung übertragen; sie wird nicht "
                      "verändert.\n";
        EXPECT_EQ(r.err.find(text) != std::string::npos, file.message != 0) << r.err;
    }
    EXPECT_EQ(testing_support::ListTree(shared).size(), std::size(files))
        << "something was left beside the files";
}
