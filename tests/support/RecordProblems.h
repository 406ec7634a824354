#pragma once

// Catches what the program tells on standard error about damaged files, for
// as long as it lives.
#include "platform/ProblemReport.h"

#include <string>
#include <vector>

class RecordProblems {
public:
    RecordProblems()
    {
        previous_ = SetProblemHandler([this](const std::string& text) { told.push_back(text); });
    }
    ~RecordProblems() { SetProblemHandler(previous_); }
    RecordProblems(const RecordProblems&) = delete;
    RecordProblems& operator=(const RecordProblems&) = delete;

    std::vector<std::string> told;

private:
    ProblemHandler previous_;
};
