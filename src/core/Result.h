#pragma once

#include <string>

// How an operation the user asked for went: every failure that is reported or acted on is one of
// these, worded as one line.
struct Result {
    bool ok = true;
    std::string error; // one line, empty when ok
    int code = 0;      // errno behind the failure; 0 when ok or when refused by our own rules
    explicit operator bool() const { return ok; }
    static Result failure(std::string error, int code = 0);
    // The failure errno code stands for, described by SystemErrorText.
    static Result fromErrno(int code);
};

// The system's one-line description of an errno value, untranslated: the rest of every message is
// English, and callers and tests compare it.
std::string SystemErrorText(int code);
