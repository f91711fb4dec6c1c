// The list of picture files the game loads, each with the function that paints it, and the parallel writer.
#include "tools/assetgen/images/Catalogue.h"

#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Encode.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

namespace art {

namespace {

constexpr int BackgroundQuality = 90;
constexpr int ExplosionQuality = 80;

void Png(const std::string& dir, const std::string& file, const Canvas& c)
{
    WriteFileAtomically(dir + "/" + file, EncodePng(c));
}

ImageJob PngJob(const std::string& file, std::function<Canvas()> paint)
{
    return {file, [file, paint](const std::string& dir) { Png(dir, file, paint()); }};
}

std::string TwoDigits(int n)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

}  // namespace

std::vector<ImageJob> ImageJobs()
{
    std::vector<ImageJob> jobs;
    // The boss explosion is by far the largest picture: it goes first and paints its frames on every core.
    jobs.push_back({"ZogExplosion.jpg", [](const std::string& dir) {
                        std::vector<uint8_t> sheet;
                        PaintZogExplosion(0, ZogExplosionFrames, sheet);
                        WriteFileAtomically(
                            dir + "/ZogExplosion.jpg",
                            EncodeJpeg(sheet, ZogExplosionSheetW(), ZogExplosionSheetH(), ExplosionQuality));
                    }});
    jobs.push_back(PngJob("AlienExplosion.png", AlienExplosionSheet));
    const char* brickFiles[BrickColours] = {"BlockWhite.png", "BlockRed.png",   "BlockYellow.png", "BlockLightBlue.png",
                                            "BlockPink.png",  "BlockGreen.png", "BlockBlue.png"};
    for (int i = 0; i < BrickColours; ++i) jobs.push_back(PngJob(brickFiles[i], [i] { return Brick(i); }));
    jobs.push_back(PngJob("BlockSemiSolidAnim.png", [] { return BrickStrip(false); }));
    jobs.push_back(PngJob("BlockSolidAnim.png", [] { return BrickStrip(true); }));
    jobs.push_back(PngJob("BlockShadow.png", BrickShadow));

    jobs.push_back(PngJob("Ball2.png", Ball));
    jobs.push_back(PngJob("BallShadow.png", BallShadow));
    jobs.push_back(PngJob("Dot.png", Dot));
    jobs.push_back(PngJob("Pad.png", Pad));
    jobs.push_back(PngJob("PadShadow.png", PadShadow));
    jobs.push_back(PngJob("PadLazerAnim.png", PadLazerStrip));
    jobs.push_back(PngJob("Lazer.png", Lazer));
    for (char letter : std::string("DCXLESP"))
        jobs.push_back(PngJob(std::string("Bonus") + letter + ".png", [letter] { return Capsule(letter); }));
    jobs.push_back(PngJob("BonusShadow.png", CapsuleShadow));

    jobs.push_back(PngJob("LeftBorder.png", LeftBorder));
    jobs.push_back(PngJob("TopBorder.PNG", TopBorder));
    jobs.push_back(PngJob("RightBorder.png", RightBorder));
    jobs.push_back(PngJob("InfoField.png", InfoField));
    jobs.push_back(PngJob("xitpipes_innerpane.png", InnerPane));
    jobs.push_back(PngJob("xitpipes_glow_leftt.png", [] { return ExitGlow(false); }));
    jobs.push_back(PngJob("xitpipes_glow_right.png", [] { return ExitGlow(true); }));

    jobs.push_back(PngJob("AlienBrown.png", [] { return Alien(0); }));
    jobs.push_back(PngJob("AlienRed.png", [] { return Alien(1); }));
    jobs.push_back(PngJob("AlienBlack.png", [] { return Alien(2); }));
    jobs.push_back(PngJob("AlienShadow.png", AlienShadow));
    jobs.push_back(PngJob("Zog/ZOGlien_Big.png", [] { return ZogShot(true); }));
    jobs.push_back(PngJob("Zog/ZOGlien_Small.png", [] { return ZogShot(false); }));
    jobs.push_back(PngJob("Zog/ZogAnim.png", ZogStrip));
    jobs.push_back(PngJob("BigBoss_Shadow.png", ZogShadow));

    jobs.push_back(PngJob("Quillonlogo.png", QuillonLogo));
    jobs.push_back(PngJob("logo_krellix.png", KrellixLogo));
    jobs.push_back(PngJob("logo_sidebar.png", SidebarLogo));
    jobs.push_back(PngJob("page_menu.png", MenuPage));
    jobs.push_back(PngJob("page_hiscore.png", HighscorePage));
    jobs.push_back(PngJob("page_instructions.png", InstructionsPage));
    jobs.push_back(PngJob("GuruAnim.png", GuruStrip));

    for (int number : BackgroundNumbers()) {
        const std::string file = "bkgnd_" + TwoDigits(number) + ".jpg";
        jobs.push_back({file, [file, number](const std::string& dir) {
                            WriteFileAtomically(dir + "/" + file, EncodeJpeg(Background(number), BackgroundQuality));
                        }});
    }
    return jobs;
}

std::vector<std::string> RunJobs(const std::vector<ImageJob>& jobs, const std::string& imagesDir, unsigned threads)
{
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::vector<std::string> errors;
    auto worker = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            try {
                jobs[i].run(imagesDir);
            } catch (const std::exception& e) {
                const std::lock_guard<std::mutex> guard(lock);
                errors.push_back(jobs[i].name + ": " + e.what());
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    std::sort(errors.begin(), errors.end());
    return errors;
}

std::vector<std::string> WriteAllImages(const std::string& dataDir, const std::vector<std::string>& only)
{
    std::vector<ImageJob> jobs = ImageJobs();
    for (const std::string& wanted : only)
        if (std::none_of(jobs.begin(), jobs.end(), [&](const ImageJob& job) { return job.name == wanted; }))
            return {"no picture named " + wanted};
    if (!only.empty())
        std::erase_if(jobs,
                      [&](const ImageJob& job) { return std::find(only.begin(), only.end(), job.name) == only.end(); });
    // Find out at once when the folder cannot be made, before minutes of painting.
    std::error_code ec;
    std::filesystem::create_directories(dataDir + "/images/Zog", ec);
    if (ec) return {"cannot create " + dataDir + "/images: " + ec.message()};
    return RunJobs(jobs, dataDir + "/images");
}

std::vector<std::string> WriteIcons(const std::string& iconsDir)
{
    std::vector<ImageJob> jobs;
    for (int size : IconSizes) {
        const std::string file = std::to_string(size) + "x" + std::to_string(size) + "/apps/krellix.png";
        jobs.push_back(PngJob(file, [size] { return Icon(size); }));
    }
    jobs.push_back({"scalable/apps/krellix.svg", [](const std::string& dir) {
                        const std::string svg = IconSvg();
                        WriteFileAtomically(dir + "/scalable/apps/krellix.svg",
                                            std::vector<uint8_t>(svg.begin(), svg.end()));
                    }});
    return RunJobs(jobs, iconsDir + "/hicolor");
}

}  // namespace art
