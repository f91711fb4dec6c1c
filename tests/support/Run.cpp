// Child processes for the end-to-end tests: posix_spawn with redirected output and an edited environment.
#include "tests/support/Run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int StartProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                 const TRunEnvironment& environment)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool drop = false;
        for (const auto& u : environment.unset) drop = drop || u == name;
        for (const auto& s : environment.set) drop = drop || s.first == name;
        if (!drop) env.push_back(entry);
    }
    for (const auto& s : environment.set) env.push_back(s.first + "=" + s.second);

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const std::string outPath = dir + "/.stdout";
    const std::string errPath = dir + "/.stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child starts in dir; posix_spawn has no portable chdir action, so go there and back.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    std::filesystem::current_path(here);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
        return -1;
    }
    return pid;
}

int WaitProgram(int pid)
{
    int wstatus = 0;
    pid_t reaped = -1;
    do {
        reaped = waitpid(pid, &wstatus, 0);
    } while (reaped < 0 && errno == EINTR);
    // A program reaped already has no exit code left to report.
    return reaped == pid && WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

bool ProgramRunning(int pid)
{
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                      const TRunEnvironment& environment)
{
    TRunResult result;
    const int pid = StartProgram(program, args, dir, environment);
    if (pid < 0) return result;
    result.status = WaitProgram(pid);
    result.out = Slurp(dir + "/.stdout");
    result.err = Slurp(dir + "/.stderr");
    std::filesystem::remove(dir + "/.stdout");
    std::filesystem::remove(dir + "/.stderr");
    return result;
}

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}
