#include "start_check.h"

#include "string_table.h"

bool HasDateFilter(const Job& job) {
    return job.dateDependency == DateDependency::NewerOrEqual ||
           job.dateDependency == DateDependency::Older;
}

StartCheck CheckStart(const Job& job) {
    StartCheck check;
    check.compareDate = job.compareDate;
    check.compareTime = job.compareTime;
    if (HasDateFilter(job)) {
        if (FormattedDate_To_DateTimeStruct(job.compareDate, check.compare, 0) < 0) {
            check.problem = StartProblem::InvalidDate;
            return check;
        }
        check.compareDate = DateTimeStruct_To_FormattedDate(check.compare, 0);
        if (FormattedTime_To_DateTimeStruct(job.compareTime, check.compare, 0) < 0) {
            check.problem = StartProblem::InvalidTime;
            return check;
        }
        check.compareTime = DateTimeStruct_To_FormattedTime(check.compare, 0);
    }
    if (job.directories.empty()) {
        check.problem = StartProblem::NoDirectory;
    } else if (job.files.empty()) {
        check.problem = StartProblem::NoFileGroup;
    }
    return check;
}

int StartProblemMessage(StartProblem problem) {
    switch (problem) {
    case StartProblem::InvalidDate:
        return kMsgInvalidDate;
    case StartProblem::InvalidTime:
        return kMsgInvalidTime;
    case StartProblem::NoDirectory:
        return kMsgNoDirectory;
    case StartProblem::NoFileGroup:
        return kMsgNoFileGroup;
    case StartProblem::None:
        break;
    }
    return 0;
}
