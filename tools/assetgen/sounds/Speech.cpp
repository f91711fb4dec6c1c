// Speech from espeak-ng: running it with the game's fixed voice and reading the WAV it writes.
#include "Speech.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace snd {

namespace {

uint32_t ReadLe(const std::vector<unsigned char>& data, size_t at, size_t bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) {
        value |= static_cast<uint32_t>(data[at + i]) << (8 * i);
    }
    return value;
}

}  // namespace

// Reads the mono 16-bit PCM WAV that espeak-ng writes, resampled to our rate if it differs.
Buffer ReadSpeech(const std::filesystem::path& wav)
{
    std::ifstream in(wav, std::ios::binary);
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVE", 4) != 0) {
        throw std::runtime_error(wav.string() + " is not a WAV file");
    }
    uint32_t rate = 0;
    uint32_t channels = 0;
    uint32_t bits = 0;
    size_t pos = 12;
    while (pos + 8 <= data.size()) {
        const size_t size = ReadLe(data, pos + 4, 4);
        const size_t body = pos + 8;
        if (std::memcmp(data.data() + pos, "fmt ", 4) == 0 && body + 16 <= data.size()) {
            channels = ReadLe(data, body + 2, 2);
            rate = ReadLe(data, body + 4, 4);
            bits = ReadLe(data, body + 14, 2);
        } else if (std::memcmp(data.data() + pos, "data", 4) == 0) {
            if (channels != 1 || bits != 16 || rate == 0) {
                throw std::runtime_error(wav.string() + " is not 16-bit mono PCM");
            }
            // A writer that could not seek back leaves the size unset: take what is there.
            const size_t frames = std::min(size, data.size() - body) / 2;
            Buffer speech = Buffer::MakeMono(kSpeechRate, frames * kSpeechRate / rate);
            for (size_t i = 0; i < speech.Frames(); ++i) {
                const double source = static_cast<double>(i) * rate / kSpeechRate;
                const size_t a = std::min(frames - 1, static_cast<size_t>(source));
                const size_t b = std::min(frames - 1, a + 1);
                const double frac = source - static_cast<double>(a);
                const auto sample = [&](size_t k) {
                    return static_cast<int16_t>(ReadLe(data, body + 2 * k, 2)) / 32768.0;
                };
                speech.left[i] = static_cast<float>(sample(a) * (1.0 - frac) + sample(b) * frac);
            }
            return speech;
        }
        pos = body + size + (size & 1);
    }
    throw std::runtime_error(wav.string() + " has no audio data");
}

// Runs espeak-ng with a fixed voice, pitch and speed. Stops the build with a clear message when
// it cannot: the spoken cues are part of the game.
Buffer Speak(const std::filesystem::path& scratch, const std::string& id, const std::string& words)
{
    const std::filesystem::path wav = scratch / (id + ".wav");
    std::vector<std::string> args = {"espeak-ng", "-v", "en-us", "-p", "38",         "-s",
                                     "140",       "-a", "120",   "-w", wav.string(), words};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot run espeak-ng for \"" + words +
                                 "\": install the espeak-ng package (scripts/deps.sh lists it)");
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("espeak-ng failed to speak \"" + words + "\"");
    }
    Buffer speech = ReadSpeech(wav);
    std::filesystem::remove(wav);
    return speech;
}

}  // namespace snd
