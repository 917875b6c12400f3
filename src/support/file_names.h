// File names: temporary names, the directory part of a path, assembling a
// name, and whether a file exists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

// Creates a new, empty file with an unguessable name that starts with
// `prefix` in $TMPDIR (or /tmp) and gives its full name. The file exists
// when the call returns; nobody else can have been given the same name.
std::string CreateTemporaryFileName(std::string_view prefix, std::error_code& error);
// The same into a buffer of `size` bytes; false (and an empty buffer) when the
// file cannot be created or the name does not fit.
bool CreateTemporaryFileName(char* buffer, std::size_t size, const char* prefix);

// The directory of `path`: everything before its last '/', or "/" for a file
// in the root; the empty text for a bare name.
std::string Velmor_StripFileName(std::string_view path);

// directory + '/' + name, with ".ext" appended when `extension` is not empty.
// No '/' is added when `directory` is empty or already ends with one.
std::string Velmor_Assemble_FileName(std::string_view directory, std::string_view name,
                                     std::string_view extension);

// True when `path` names an existing file that is not a directory (links are
// followed).
bool Velmor_DoesFileExist(const std::string& path);

// The directory for temporary files: $TMPDIR when it is set, else /tmp.
std::string TemporaryDirectory();
