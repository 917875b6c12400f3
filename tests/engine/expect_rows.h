// The harness's rows as a test expectation: every row that differs on some
// path is a failure naming the row and the path.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

inline void Check(const std::vector<harness::Row>& rows) {
    harness::CheckRows(
        rows, [](const std::string& row, const std::string& path, const std::string& what) {
            SCOPED_TRACE("row \"" + row + "\", path " + path);
            ADD_FAILURE() << what;
        });
}
