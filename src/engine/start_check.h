// The checks a job must pass before it starts, as one pure function that the
// program's Start and the batch tool share.
#pragma once

#include "date_time.h"
#include "job.h"

#include <string>

// The first thing that keeps a job from starting, in the order checked: with
// the date filter on, the comparison date and then the time; at least one
// directory; at least one file group.
enum class StartProblem { None, InvalidDate, InvalidTime, NoDirectory, NoFileGroup };

struct StartCheck {
    StartProblem problem = StartProblem::None;
    // With the date filter on, the date and time in their standard forms as
    // far as they are valid (a valid date is given even when the time is not);
    // otherwise as typed.
    std::string compareDate;
    std::string compareTime;
    // The moment the date filter compares with (filter on and no problem).
    DateTimeStruct compare;
    bool ok() const { return problem == StartProblem::None; }
};

StartCheck CheckStart(const Job& job);

// The message that reports `problem` (2001-2004), 0 for none.
int StartProblemMessage(StartProblem problem);

// True when the job takes files by their date of last change.
bool HasDateFilter(const Job& job);
