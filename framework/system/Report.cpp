// The problem report: one prefixed line on standard error.
#include "framework/system/Report.h"

#include <cstdio>
#include <string>

void ReportProblem(std::string_view text)
{
    std::string line = "krellix: ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}
