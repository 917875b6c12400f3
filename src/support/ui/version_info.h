// The program's version, as set in the build (project VERSION).
#pragma once

#include <string>
#include <string_view>

// `format` with each "%d" replaced by the next part of the version (major,
// minor, patch, build) and "%%" by "%"; "%d.%d.%d" gives "3.0.0".
std::string Velmor_GetResourceFileVersion(std::string_view format);
