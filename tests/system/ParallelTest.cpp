// Jobs run side by side: each exactly once, all of them ended before the call returns, and the
// first failing job's exception handed on.
#include "framework/system/Parallel.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

TEST(RunInParallel, RunsEveryJobOnceAndWaitsForAll)
{
    for (size_t count : {0u, 1u, 2u, 7u, 200u}) {
        std::vector<std::atomic<int>> runs(count);
        RunInParallel(count, [&](size_t i) {
            // Uneven jobs, so that threads overtake each other.
            if (i % 5 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++runs[i];
        });
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << count << " jobs, job " << i;
    }
}

TEST(RunInParallel, HandsOnTheExceptionOfTheLowestFailingJobAfterAllHaveEnded)
{
    std::atomic<int> ended{0};
    try {
        RunInParallel(50, [&](size_t i) {
            ++ended;
            if (i == 40 || i == 13 || i == 29) throw std::runtime_error("job " + std::to_string(i));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "job 13");
    }
    EXPECT_EQ(ended.load(), 50);
}

TEST(LargestFilesFirst, OrdersBySizeAndKeepsTiesAndUnreadableFilesInPlace)
{
    TTempDir dir;
    const std::vector<std::pair<std::string, size_t>> made = {{"a", 10}, {"b", 300}, {"c", 10}, {"d", 40}};
    for (const auto& [name, size] : made) std::ofstream(dir.File(name)) << std::string(size, 'x');
    std::vector<std::string> names = {dir.File("a"), dir.File("b"), dir.File("missing"), dir.File("c"), dir.File("d")};
    std::vector<const char*> files;
    for (const auto& name : names) files.push_back(name.c_str());
    // A file that cannot be measured counts as empty and goes last.
    EXPECT_EQ(LargestFilesFirst(files), (std::vector<size_t>{1, 4, 0, 3, 2}));
    EXPECT_TRUE(LargestFilesFirst({}).empty());
}
