// The fixture of the tests that run the built game: a fresh folder of its own over the generated
// pictures and sounds, the program started there (headless with a script, or as the test asks),
// and what each run leaves: its exit status, its output and its trace.
#pragma once

#include "tests/support/Run.h"
#include "tests/support/TempDir.h"
#include "tests/support/Trace.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class TRunFixture : public testing::Test {
protected:
    TRunFixture() { FreshFolder(); }

    // Empties the folder and links the generated pictures and sounds into it again: one link per
    // file when eachFile, so that a test can remove or replace a file without touching the original.
    void FreshFolder(bool eachFile = false);

    // The arguments of a headless run on the folder's data with script as its input (written to
    // input.txt) and its trace in trace.jsonl of the folder it starts in; options come last.
    std::vector<std::string> Headless(const std::string& script, const std::vector<std::string>& options = {}) const;
    // Starts the built program in the folder with args and environment, and no sound device; its
    // process id, or -1.
    int Start(const std::vector<std::string>& args, TRunEnvironment environment = {}) const;
    // Waits for a program started in the folder; fills status, out, err and trace.
    void Wait(int pid);
    void Run(const std::vector<std::string>& args, const TRunEnvironment& environment = {})
    {
        Wait(Start(args, environment));
    }
    void RunHeadless(const std::string& script, const std::vector<std::string>& options = {},
                     const TRunEnvironment& environment = {})
    {
        Run(Headless(script, options), environment);
    }
    // Polls the trace, lines as they are so far, until reached says so; false when the program
    // ended first or five minutes went by.
    bool WaitForTrace(int pid, const std::function<bool(const std::vector<std::string>&)>& reached,
                      const std::string& name = "trace.jsonl") const;
    // The lines of a trace file as they are now, even while the program writes it.
    std::vector<std::string> TraceLines(const std::string& name = "trace.jsonl") const;
    std::vector<TTraceLine> ReadTrace(const std::string& name = "trace.jsonl") const;

    TTempDir dir;
    // The folder, as --data takes it; the program writes its tables there.
    std::string data = dir.Path().string();
    // The last run waited for: -1 when it did not exit normally.
    int status = -1;
    std::string out, err;
    std::vector<TTraceLine> trace;
};
