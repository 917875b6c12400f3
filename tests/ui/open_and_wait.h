// Opening a file with the desktop's program and waiting for its answer.
#pragma once

#include "desktop.h"

#include <QObject>
#include <QTest>
#include <optional>
#include <string>

// The answer OpenWithAssociatedProgram gives for `path`; nothing when none
// came while the event loop ran for a minute.
inline std::optional<bool> OpenAndWait(const std::string& path) {
    std::optional<bool> result;
    QObject context;
    OpenWithAssociatedProgram(path, &context, [&result](bool opened) { result = opened; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 60000);
    return result;
}
