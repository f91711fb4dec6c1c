// assetgen_sounds: writes every effect, spoken cue and piece of music of the game as Ogg Vorbis.
#include "Catalogue.h"
#include "OggWriter.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

void Usage()
{
    std::fprintf(stderr, "usage: assetgen_sounds DIR [--jobs N] [--only FILE]...\n"
                         "       assetgen_sounds --list\n"
                         "Writes the game's sounds into DIR; FILE is a path below it, e.g. SFX_Lazer.ogg.\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::path out;
    std::vector<std::string> only;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--list") {
            list = true;
        } else if (arg == "--only" && i + 1 < argc) {
            only.emplace_back(argv[++i]);
        } else if (arg == "--jobs" && i + 1 < argc) {
            jobs = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        } else if (out.empty() && !arg.empty() && arg[0] != '-') {
            out = arg;
        } else {
            Usage();
            return 2;
        }
    }
    if (out.empty() && !list) {
        Usage();
        return 2;
    }

    const std::filesystem::path scratch = out / ".speech";
    // Longest work first, so the threads finish together.
    std::vector<snd::Piece> pieces = snd::MusicPieces();
    std::vector<snd::Piece> voices = snd::VoicePieces(scratch);
    std::vector<snd::Piece> effects = snd::EffectPieces();
    pieces.insert(pieces.end(), voices.begin(), voices.end());
    pieces.insert(pieces.end(), effects.begin(), effects.end());

    if (list) {
        for (const snd::Piece& p : pieces) {
            std::printf("%s\n", p.file.c_str());
        }
        return 0;
    }
    for (const std::string& wanted : only) {
        if (std::none_of(pieces.begin(), pieces.end(), [&](const snd::Piece& p) { return p.file == wanted; })) {
            std::fprintf(stderr, "assetgen_sounds: no sound named %s\n", wanted.c_str());
            return 2;
        }
    }
    if (!only.empty()) {
        std::erase_if(pieces,
                      [&](const snd::Piece& p) { return std::find(only.begin(), only.end(), p.file) == only.end(); });
    }

    std::error_code ec;
    std::filesystem::create_directories(out / "GameMusic", ec);
    std::filesystem::create_directories(scratch, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen_sounds: cannot create %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }

    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex report;
    const auto work = [&] {
        for (size_t i = next++; i < pieces.size() && !failed; i = next++) {
            const snd::Piece& piece = pieces[i];
            std::string error;
            try {
                const snd::Buffer sound = piece.render();
                if (snd::WriteOgg(out / piece.file, sound, piece.quality, piece.lowpassKhz, error)) {
                    continue;
                }
            } catch (const std::exception& e) {
                error = e.what();
            }
            failed = true;
            const std::lock_guard<std::mutex> lock(report);
            std::fprintf(stderr, "assetgen_sounds: %s: %s\n", piece.file.c_str(), error.c_str());
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < std::min<size_t>(jobs, pieces.size()); ++t) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& t : threads) {
        t.join();
    }
    std::filesystem::remove_all(scratch, ec);
    return failed ? 1 : 0;
}
