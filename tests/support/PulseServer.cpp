// A PulseAudio server of a test's own with a null sink, and recordings of what is played into it.
#include "tests/support/PulseServer.h"

#include "tests/support/Files.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

TPulseServer::TPulseServer(const std::string& folder, const std::string& sink) : _folder(folder), _sink(sink)
{
    const std::string socket = folder + "/pulse/native";
    // Its clients run in a folder of their own, so that their output does not replace the server's log.
    const std::string tools = folder + "/clients";
    std::filesystem::create_directories(tools);
    // HOME too: the server keeps its cookie and state under it.
    TRunEnvironment own;
    own.set = {{"XDG_RUNTIME_DIR", folder}, {"HOME", folder}};
    own.unset = {"PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS"};
    _server = StartProgram("pulseaudio",
                           {"-n", "--daemonize=no", "--exit-idle-time=-1", "--load=module-null-sink sink_name=" + sink,
                            "--load=module-native-protocol-unix auth-anonymous=1"},
                           folder, own);
    _environment.set = {{"PULSE_SERVER", "unix:" + socket}, {"PULSE_SINK", sink}};
    _environment.unset = {"ALSOFT_DRIVERS"};
    for (int32_t waited = 0; _server > 0 && waited < 10000; waited += 50) {
        if (waitpid(_server, nullptr, WNOHANG) != 0) {
            _server = -1;
            break;
        }
        if (std::filesystem::exists(socket) &&
            RunProgram("pactl", {"list", "short", "sinks"}, tools, _environment).out.find(sink) != std::string::npos) {
            _started = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TPulseServer::~TPulseServer() { Kill(); }

std::string TPulseServer::Log() const { return ReadText(_folder + "/.stderr"); }

bool TPulseServer::StartRecording(const std::string& file)
{
    const std::string where = _folder + "/clients";
    _recorder = StartProgram("parec",
                             {"-d", _sink + ".monitor", "--raw", "--format=s16le", "--channels=2",
                              "--rate=" + std::to_string(kRate), "--latency-msec=20", file},
                             where, _environment);
    return _recorder > 0;
}

void TPulseServer::Kill()
{
    for (int* pid : {&_server, &_recorder}) {
        if (*pid <= 0) continue;
        kill(*pid, SIGKILL);
        WaitProgram(*pid);
        *pid = -1;
    }
}

std::vector<double> LoudnessDb(const std::string& raw, int32_t ms)
{
    const size_t frames = raw.size() / 4;
    const size_t window = static_cast<size_t>(TPulseServer::kRate) * static_cast<size_t>(ms) / 1000;
    std::vector<double> out;
    for (size_t start = 0; start + window <= frames; start += window) {
        double sum = 0.0;
        for (size_t i = start * 2; i < (start + window) * 2; ++i) {
            int16_t sample = 0;
            std::memcpy(&sample, raw.data() + i * 2, 2);
            sum += static_cast<double>(sample) * sample;
        }
        const double rms = std::sqrt(sum / static_cast<double>(window * 2)) / 32768.0;
        out.push_back(rms > 1e-6 ? 20.0 * std::log10(rms) : -120.0);
    }
    return out;
}
