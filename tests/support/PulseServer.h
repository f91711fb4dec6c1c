// A PulseAudio server of a test's own with a null sink, and recordings of what is played into it.
#pragma once

#include "tests/support/Run.h"

#include <cstdint>
#include <string>
#include <vector>

class TPulseServer {
public:
    static constexpr int32_t kRate = 44100;

    // Starts pulseaudio in the foreground with its runtime and configuration in folder (which must
    // exist) and one null sink named sink; nothing of the user's own sound setup is touched.
    TPulseServer(const std::string& folder, const std::string& sink);
    // Stops the recording and the server, should they still run.
    ~TPulseServer();
    TPulseServer(const TPulseServer&) = delete;
    TPulseServer& operator=(const TPulseServer&) = delete;

    // True once the server accepts clients; its start-up errors are in Log() otherwise.
    bool Started() const { return _started; }
    std::string Log() const;
    // What a client's environment needs to play into this server and no other.
    const TRunEnvironment& Environment() const { return _environment; }
    // Records the sink's monitor as raw 16-bit stereo at kRate to file until Kill or the end.
    bool StartRecording(const std::string& file);
    // Kills the server at once, as a crashed or stopped sound server goes.
    void Kill();

private:
    std::string _folder;
    std::string _sink;
    TRunEnvironment _environment;
    int _server = -1;
    int _recorder = -1;
    bool _started = false;
};

// The loudness of 16-bit stereo samples over windows of ms milliseconds, in dB below full scale
// (-120 for silence), one value per window.
std::vector<double> LoudnessDb(const std::string& raw, int32_t ms);
