// Running the built game as a child process with a chosen environment, capturing its output.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TRunResult {
    int status = -1;  // exit code, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

struct TRunEnvironment {
    std::vector<std::pair<std::string, std::string>> set;
    std::vector<std::string> unset;
};

// Starts program with args in folder dir, its output going to dir/.stdout and dir/.stderr;
// returns its process id, or -1 with the reason on stderr.
int StartProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                 const TRunEnvironment& environment = {});
// Waits for a started program; its exit code, or -1 when it did not exit normally.
int WaitProgram(int pid);
// True while a started program runs; asked without reaping it, so WaitProgram still gets its
// exit code.
bool ProgramRunning(int pid);
// Runs program with args in folder dir; waits for it.
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                      const TRunEnvironment& environment = {});
// True when program is found on PATH.
bool OnPath(const std::string& program);
