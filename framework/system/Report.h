// The one way the program tells the player about a problem: a line on standard error.
#pragma once

#include <string_view>

// Writes "krellix: TEXT" and a newline to standard error as one write, so lines from different
// threads never interleave.
void ReportProblem(std::string_view text);
