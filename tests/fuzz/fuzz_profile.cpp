// Fuzz target: the profile loader. Any file loads without a crash (missing or
// malformed values as their defaults) and gives a job; a loaded profile that
// is saved again, into a new file or over the file it came from, loads back
// as the same profile.
#include "file_names.h"
#include "fuzz_input.h"
#include "profile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A value line of a profile, or a piece of one.
const std::string_view kPieces[] = {
    "[General]\n", "[general ]\r\n",
    "[Other]\n",   "Directories=",
    "Files=",      "Replace=",
    "Position=",   "Code=",
    "CapsLock=",   "CompareDate=",
    "Subdirs=",    "KeepLineEnds=",
    "\n",          "\r\n",
    "\r",          "\\t",
    "\\n",         "\\x0",
    "\\x41",       "\\\\",
    "\t",          "a",
    "ä",           "=",
    " ",           ";",
    "-12",         "8",
    "99999999999", "\0",
    "\xFF",        "1.2.2020",
    "\\r",         "[",
};

bool HoldsZero(const Profile& profile) {
    auto zero = [](const std::string& text) { return text.find('\0') != std::string::npos; };
    for (const std::string& entry : profile.Directories) {
        if (zero(entry)) {
            return true;
        }
    }
    for (const std::string& entry : profile.Files) {
        if (zero(entry)) {
            return true;
        }
    }
    for (const ReplacementRow& row : profile.Replace) {
        if (zero(row.search) || zero(row.replacement)) {
            return true;
        }
    }
    return zero(profile.CompareDate) || zero(profile.CompareTime);
}

void Store(const std::string& path, const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(content.data(), 1, content.size(), file) == content.size());
    FUZZ_CHECK(std::fclose(file) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::string content;
    const bool raw = input.Flag();
    if (raw) {
        content = input.Rest();
    } else {
        while (!input.Empty()) {
            content += kPieces[input.Below(std::size(kPieces))];
        }
    }
    static const std::string directory = [] {
        std::string path =
            TemporaryDirectory() + "/quintrel-fuzz-profile-" + std::to_string(::getpid());
        ::mkdir(path.c_str(), 0700);
        return path;
    }();
    const std::string loaded = directory + "/loaded.vqp";
    const std::string saved = directory + "/saved.vqp";
    Store(loaded, content);
    ::unlink(saved.c_str());

    const Profile profile = ReadProfile(ProfileLocation(loaded));
    const Job job = JobFromProfile(profile, 3);
    FUZZ_CHECK(job.positionColumn == 3);
    FUZZ_CHECK(profile.CompareDate.size() <= 99 && profile.CompareTime.size() <= 99);
    if (HoldsZero(profile)) {
        return 0; // a zero byte cannot be kept in the store's text form
    }
    if (WriteProfile(ProfileLocation(saved), profile)) {
        FUZZ_CHECK(ReadProfile(ProfileLocation(saved)) == profile);
    }
    if (WriteProfile(ProfileLocation(loaded), profile)) {
        FUZZ_CHECK(ReadProfile(ProfileLocation(loaded)) == profile);
    }
    return 0;
}
