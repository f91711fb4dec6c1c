// The run fixture: the folder over the generated assets, the command line of a headless run, and
// the waits for a run's end or for its trace to reach a point.
#include "tests/support/RunFixture.h"

#include "tests/support/Files.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

void TRunFixture::FreshFolder(bool eachFile)
{
    for (const auto& entry : fs::directory_iterator(dir.Path())) fs::remove_all(entry.path());
    for (const char* folder : {"images", "sounds"}) {
        const fs::path from = fs::path(KRELLIX_DATA_DIR) / folder;
        if (!eachFile) {
            fs::create_directory_symlink(from, dir.Path() / folder);
            continue;
        }
        fs::create_directory(dir.Path() / folder);
        for (const auto& entry : fs::recursive_directory_iterator(from)) {
            const fs::path to = dir.Path() / folder / fs::relative(entry.path(), from);
            if (entry.is_directory())
                fs::create_directories(to);
            else if (entry.path().filename().string()[0] != '.')
                fs::create_symlink(entry.path(), to);
        }
    }
}

std::vector<std::string> TRunFixture::Headless(const std::string& script, const std::vector<std::string>& options) const
{
    WriteText(dir.Path() / "input.txt", script);
    // The input by its full path, so that a run started in a folder of its own finds it too.
    std::vector<std::string> args = {"--headless", "--data",     data, "--input", (dir.Path() / "input.txt").string(),
                                     "--trace",    "trace.jsonl"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

int TRunFixture::Start(const std::vector<std::string>& args, TRunEnvironment environment) const
{
    environment.set.emplace_back("ALSOFT_DRIVERS", "null");
    return StartProgram(KRELLIX_EXE, args, data, environment);
}

void TRunFixture::Wait(int pid)
{
    status = pid > 0 ? WaitProgram(pid) : -1;
    out = ReadText(dir.Path() / ".stdout");
    err = ReadText(dir.Path() / ".stderr");
    trace = ReadTrace();
}

bool TRunFixture::WaitForTrace(int pid, const std::function<bool(const std::vector<std::string>&)>& reached,
                               const std::string& name) const
{
    for (int32_t waited = 0; waited < 300000 && ProgramRunning(pid); waited += 50) {
        if (reached(TraceLines(name))) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::vector<std::string> TRunFixture::TraceLines(const std::string& name) const
{
    return Lines(ReadText(dir.Path() / name));
}

std::vector<TTraceLine> TRunFixture::ReadTrace(const std::string& name) const
{
    std::vector<TTraceLine> lines;
    for (const std::string& line : TraceLines(name))
        if (!line.empty()) lines.push_back(ParseTraceLine(line));
    return lines;
}
