#include "file_reports.h"

#include "change_log.h"
#include "change_view.h"
#include "file_ops.h"
#include "safe_path.h"

namespace {

// The change of one file: paired under the run's line operations, or, where
// the file is no longer what the run wrote, as a plain difference.
std::string DiffOf(const std::string& path, const std::string& oldPath, const std::string& newPath,
                   const LineSettings& lines) {
    UnifiedDiffWriter writer(BackupNameOf(path), path);
    ChangeWalker walker(oldPath, newPath, lines);
    LinePair pair;
    while (walker.Next(pair)) {
        writer.Add(pair);
    }
    if (walker.opened() && walker.matches()) {
        return writer.Finish();
    }
    UnifiedDiffWriter plain(BackupNameOf(path), path);
    std::vector<LinePair> pairs;
    if (!PlainDifference(oldPath, newPath, pairs)) {
        return {};
    }
    for (const LinePair& each : pairs) {
        plain.Add(each);
    }
    return plain.Finish();
}

} // namespace

std::vector<FileReport> ReportChangedFiles(const std::string& changeLogPath,
                                           const LineSettings* lines) {
    std::vector<FileReport> reports;
    ChangeLogReader log(changeLogPath);
    std::unique_ptr<PathResolver> resolver;
    ChangeRecord record;
    while (log.Next(record)) {
        FileReport report;
        report.path = record.path;
        report.counters = record.counters;
        if (lines != nullptr) {
            if (!resolver) {
                resolver = std::make_unique<PathResolver>(log.roots());
            }
            std::string reach;
            if (resolver->Reach(record.path, reach)) {
                // A dry run left the file as it was and its new content in a copy.
                const bool dry = !record.copyPath.empty();
                report.diff = DiffOf(record.path, dry ? reach : BackupNameOf(reach),
                                     dry ? record.copyPath : reach, *lines);
            }
            report.hasDiff = true;
        }
        reports.push_back(std::move(report));
    }
    return reports;
}
