// Independent jobs run side by side on every core.
#include "framework/system/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

void RunInParallel(size_t count, const std::function<void(size_t)>& job)
{
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> errors(count);
    const auto work = [&] {
        for (size_t index = next++; index < count; index = next++) {
            try {
                job(index);
            } catch (...) {
                errors[index] = std::current_exception();
            }
        }
    };
    const size_t cores = std::max(std::thread::hardware_concurrency(), 1u);
    const size_t helpers = std::min(cores - 1, count > 0 ? count - 1 : 0);
    std::vector<std::jthread> threads;
    for (size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads only make it slower.
            break;
        }
    }
    work();
    threads.clear();
    for (const std::exception_ptr& error : errors)
        if (error) std::rethrow_exception(error);
}

void LowerThisThreadPriority()
{
    // On Linux the nice value belongs to the thread; the program runs on without it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
}

std::vector<size_t> LargestFilesFirst(const std::vector<const char*>& files)
{
    std::vector<size_t> order(files.size());
    std::vector<uintmax_t> sizes(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        order[i] = i;
        std::error_code error;
        sizes[i] = std::filesystem::file_size(files[i], error);
        if (error) sizes[i] = 0;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    return order;
}
