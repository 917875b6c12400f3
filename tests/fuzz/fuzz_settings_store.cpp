// Fuzz target: the INI store. Any bytes parse; writing a value makes it read
// back exactly (also after the file is written out and read in again) and
// leaves every other value as it was; reading a file twice gives the same;
// stored numbers follow the plain rules.
#include "fuzz_input.h"
#include "settings_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kIniBytes{"[]=;# \t\r\n\0aAbB", 15};

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Optional blanks, an optional sign, digits, optional blanks; a value in the
// signed 32-bit range.
std::optional<std::int32_t> PlainLong(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 32) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // The names looked at, and the value written.
    std::vector<std::pair<std::string, std::string>> probes;
    for (int i = 0; i < 4; ++i) {
        probes.emplace_back(input.Text(3, "aAbB [;"), input.Text(2, "aAbB"));
    }
    const std::string section = input.Text(3, "aAbB ]");
    const std::string name = input.Text(3, "aAbB =[;#");
    const std::string value = input.Text(6, "aAbB =[]\r\n\t0");
    const std::string number = input.Text(16, "+- \t0123456789x");
    const std::string content = input.Rest(kIniBytes);

    FUZZ_CHECK(ParseStoredLong(number) == PlainLong(number));

    IniDocument document = IniDocument::Parse(content);
    const std::string serialized = document.Serialize();
    IniDocument reread = IniDocument::Parse(serialized);
    FUZZ_CHECK(reread.Serialize() == serialized);
    for (const auto& [probeSection, probeName] : probes) {
        FUZZ_CHECK(reread.Get(probeSection, probeName) == document.Get(probeSection, probeName));
    }

    std::vector<std::optional<std::string>> before;
    for (const auto& [probeSection, probeName] : probes) {
        before.push_back(document.Get(probeSection, probeName));
    }
    if (!document.Set(section, name, value)) {
        return 0;
    }
    FUZZ_CHECK(document.Get(section, name) == value);
    FUZZ_CHECK(IniDocument::Parse(document.Serialize()).Get(section, name) == value);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const auto& [probeSection, probeName] = probes[i];
        if (SameNoCase(probeSection, section) && SameNoCase(probeName, name)) {
            continue;
        }
        FUZZ_CHECK(document.Get(probeSection, probeName) == before[i]);
    }
    return 0;
}
