// Option lookup in an argument vector, for the tool forms of the command-line front end.
#pragma once

namespace quervik {

using OptionCheck = int (*)(const char* value);

// Looks for an element that is exactly "-" and the letter. 1 when absent. When present, the
// value is the next element (null when there is none); 0 when there is no check or the
// check accepts it, else the code is reported (when code >= 0) and the result is 2.
int findOption(int count, const char* const* vector, char letter, const char** value, OptionCheck check, int code);

}  // namespace quervik
