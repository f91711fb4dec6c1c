// Independent jobs run side by side on every core, so loading decodes its files in parallel.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// Runs job(0) .. job(count - 1), each exactly once, on up to one thread per core (the calling
// thread among them), handing the jobs out in index order; returns when all have ended. Should
// jobs throw, the exception of the lowest index is rethrown here once every job has ended.
void RunInParallel(size_t count, const std::function<void(size_t)>& job);

// Lets every other thread of the program run first on a busy machine: for work in the background
// that nothing waits for yet. Lasts for the rest of the calling thread's life.
void LowerThisThreadPriority();

// The indices of files ordered by size, largest first (equal sizes, and files that cannot be
// measured, keep their order), so parallel decoding leaves no core with a big file at the end.
std::vector<size_t> LargestFilesFirst(const std::vector<const char*>& files);
