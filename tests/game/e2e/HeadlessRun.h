// Running the built program headless for a test: a run folder of its own over the generated
// assets, the command line with a script and a trace, and the screenshots and files it leaves.
#pragma once

#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/Trace.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// An empty folder named after the running test, with the generated assets linked in; the tables
// the program writes there are the run's own.
inline std::filesystem::path FreshRunFolder()
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(KRELLIX_RUN_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::create_directory_symlink(fs::path(KRELLIX_DATA_DIR) / "images", dir / "images");
    fs::create_directory_symlink(fs::path(KRELLIX_DATA_DIR) / "sounds", dir / "sounds");
    return dir;
}

// Runs the program headless on dir's data with options (such as "--level 4"), the script as its
// input, its trace in dir/trace.jsonl and extra options last; everything it prints goes to
// dir/out.txt. The exit code, -1 when it did not exit normally.
inline int RunHeadless(const std::filesystem::path& dir, const std::string& options, const std::string& script,
                       const std::string& extra)
{
    std::ofstream(dir / "input.txt") << script;
    const std::string input = (dir / "input.txt").string(), trace = (dir / "trace.jsonl").string();
    const std::string command = std::string("\"") + KRELLIX_EXE + "\" --headless --data \"" + dir.string() + "\" " +
                                options + " --input \"" + input + "\" --trace \"" + trace + "\" " + extra + " > \"" +
                                (dir / "out.txt").string() + "\" 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
