// The list of picture files the game loads, each with the function that paints it, and the parallel writer.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace art {

// One unit of work: paints and writes one or more files below the images folder.
struct ImageJob {
    std::string name;
    std::function<void(const std::string& imagesDir)> run;
};

// Every picture file, heaviest jobs first.
std::vector<ImageJob> ImageJobs();

// Runs jobs on `threads` workers (0: one per processor); returns one message per failed job.
std::vector<std::string> RunJobs(const std::vector<ImageJob>& jobs, const std::string& imagesDir, unsigned threads = 0);

// Paints and writes every picture into dataDir/images, or only the named files when `only` names
// any; returns the failures, empty when all went well.
std::vector<std::string> WriteAllImages(const std::string& dataDir, const std::vector<std::string>& only = {});

// Writes the desktop icons as an icon theme folder: iconsDir/hicolor/NxN/apps/krellix.png for each
// size and iconsDir/hicolor/scalable/apps/krellix.svg. Returns the failures.
std::vector<std::string> WriteIcons(const std::string& iconsDir);

}  // namespace art
