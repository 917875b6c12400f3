// The settings store: named string and long values in sections of an INI
// file. A location names either a file (profiles) or, with a key and no file,
// the per-user settings file
//   $XDG_CONFIG_HOME/<key without its leading "Software\">.ini
// (default ~/.config), so the key "Software\Velmor Software\Velmor Quintrel"
// is kept in ~/.config/Velmor Software/Velmor Quintrel.ini.
//
// Reads never fail: a missing or unreadable file, section or name, or a value
// that cannot be read as its type, gives the caller's default. Writes keep
// every other section, value and line of the file and replace the file
// atomically (a sibling file is written, flushed and renamed over it), so an
// interrupted write leaves either the old or the new file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class RegistryRoot { CurrentUser };

struct StoreLocation {
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::string key;     // "Software\Vendor\Product"; used when `file` is empty
    std::string file;    // an INI file of the caller's (a profile)
    std::string section; // "[section]" inside the file
};

// The file a location resolves to; empty when it names none.
std::string SettingsFilePath(const StoreLocation& location);

bool Velmor_WriteStringToRegistry(const StoreLocation& location, std::string_view name,
                                  std::string_view value);
bool Velmor_WriteLongToRegistry(const StoreLocation& location, std::string_view name,
                                std::int32_t value);
std::string Velmor_ReadStringFromRegistry(const StoreLocation& location, std::string_view name,
                                          std::string_view defaultValue);
std::int32_t Velmor_ReadLongFromRegistry(const StoreLocation& location, std::string_view name,
                                         std::int32_t defaultValue);

// Writes several values in one atomic replacement of the file, in the order
// given; the file stays as it was when any of them cannot be written.
bool Velmor_WriteValuesToRegistry(const StoreLocation& location,
                                  const std::vector<std::pair<std::string, std::string>>& values);

// The per-user settings under `key`.
std::int32_t Velmor_ReadLongFromHKCU(std::string_view key, std::string_view section,
                                     std::string_view name, std::int32_t defaultValue);
bool Velmor_WriteLongToHKCU(std::string_view key, std::string_view section, std::string_view name,
                            std::int32_t value);

// Reads a long value the way the store does: optional blanks, an optional
// sign, decimal digits, optional blanks; anything else, or a number outside
// the signed 32-bit range, gives nothing.
std::optional<std::int32_t> ParseStoredLong(std::string_view text);

// An INI document held as its lines, so that writing one value leaves every
// other line of the file exactly as it was. Section and value names compare
// without regard to ASCII letter case; values are kept exactly (never trimmed).
class IniDocument {
public:
    // Parses `content`; any bytes are accepted.
    static IniDocument Parse(std::string_view content);

    std::optional<std::string> Get(std::string_view section, std::string_view name) const;
    // Sets or adds a value. Fails (returns false) for a name that is empty or
    // holds '=', a line break or a zero byte, or starts with '[' or ';', and for
    // a value or section that holds a line break or zero byte.
    bool Set(std::string_view section, std::string_view name, std::string_view value);

    std::string Serialize() const;

private:
    std::vector<std::string> lines_; // without their line ends
};

// Reads the document a location names, once, for callers that read many
// values; nothing when the file is missing or cannot be read.
std::optional<IniDocument> LoadSettingsDocument(const StoreLocation& location);

// Writes `content` to `path` atomically: a sibling temporary file is written,
// flushed to disk and renamed over `path`. The old file keeps its permission
// bits for the new one. Returns false (leaving the old file as it was) on any
// failure. Creates missing parent directories when `createParents` is set.
bool WriteFileAtomically(const std::string& path, std::string_view content, bool createParents);
