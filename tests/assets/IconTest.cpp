// The desktop icon: at every size the field, the bricks, the ball and the paddle are where they
// belong, the written theme folder holds each size, and the SVG draws the same shapes.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

using namespace art;
namespace fs = std::filesystem;

TEST(Icon, EverySizeShowsTheFieldTheBricksTheBallAndThePaddle)
{
    // Points on the icon's 256 x 256 grid and what must be seen there.
    struct TProbe {
        const char* what;
        float x, y;
        bool (*holds)(const Color&);
    };
    const TProbe probes[] = {
        {"transparent corner", 1, 1, [](const Color& c) { return c.a < 0.01f; }},
        {"opaque field", 128, 150, [](const Color& c) { return c.a > 0.99f && c.b > c.r; }},
        {"red brick", 60, 68, [](const Color& c) { return c.r > 0.6f && c.r > 2 * c.g && c.r > 2 * c.b; }},
        {"yellow brick", 128, 68, [](const Color& c) { return c.r > 0.6f && c.g > 0.5f && c.b < 0.3f; }},
        {"green brick", 196, 68, [](const Color& c) { return c.g > 0.5f && c.g > 1.5f * c.r; }},
        {"the brick the ball knocked out", 128, 106, [](const Color& c) { return Luma(c) < 0.4f; }},
        {"ball", 140, 136, [](const Color& c) { return Luma(c) > 0.75f; }},
        {"red paddle cap", 66, 216, [](const Color& c) { return c.r > 0.5f && c.r > 2 * c.b; }},
        {"steel paddle body", 110, 222, [](const Color& c) { return c.b > c.r && Luma(c) > 0.15f; }},
    };
    for (const int size : IconSizes) {
        const Canvas icon = Icon(size);
        ASSERT_EQ(icon.Width(), size);
        ASSERT_EQ(icon.Height(), size);
        for (const TProbe& p : probes) {
            const int x = static_cast<int>(p.x * size / 256.0f), y = static_cast<int>(p.y * size / 256.0f);
            const Color c = icon.Get(x, y);
            EXPECT_TRUE(p.holds(c)) << size << " px, " << p.what << " at " << x << "," << y << ": " << c.r << " " << c.g
                                    << " " << c.b << " " << c.a;
        }
    }
}

TEST(Icon, TheThemeFolderHoldsEverySizeAndAnSvgOfTheSameShapes)
{
    const fs::path dir = fs::temp_directory_path() / ("krellix-icons-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    ASSERT_TRUE(WriteIcons(dir.string()).empty());
    for (const int size : IconSizes) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_TRUE(fs::is_regular_file(dir / "hicolor" / name / "apps/krellix.png")) << name;
    }
    std::ifstream in(dir / "hicolor/scalable/apps/krellix.svg");
    std::stringstream text;
    text << in.rdbuf();
    const std::string svg = text.str();
    fs::remove_all(dir);

    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
    // Every shape is filled by a gradient of its own, and every gradient it names is defined.
    std::set<std::string> defined, used;
    const std::regex id("<(linear|radial)Gradient id=\"(g[0-9]+)\"");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), id); m != std::sregex_iterator(); ++m)
        defined.insert((*m)[2]);
    const std::regex fill("<rect [^>]*fill=\"url\\(#(g[0-9]+)\\)\"");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), fill); m != std::sregex_iterator(); ++m)
        used.insert((*m)[1]);
    EXPECT_EQ(used, defined);
    EXPECT_GE(used.size(), 10u);
    // The field comes first and fills the square but for the corners, as in the pictures.
    EXPECT_NE(svg.find("<rect x=\"12\" y=\"12\" width=\"232\" height=\"232\" rx=\"40\" fill=\"url(#g0)\""),
              std::string::npos)
        << svg.substr(0, 800);
    EXPECT_EQ(svg.find("</svg>\n"), svg.size() - 7);
}

}  // namespace
