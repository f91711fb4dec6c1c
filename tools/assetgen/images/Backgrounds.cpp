// Procedural backgrounds: a different scene for every level and front-end screen, darkened so that
// bricks and balls stand out against them.
#include "tools/assetgen/images/Scenes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace art {

namespace {

using scene::H;
using scene::Palette;
using scene::W;

enum class Pal { Azure, Ember, Violet, Emerald, Gold, Ice, Toxic, Rose, Steel, Sunset, Ocean, Blood };

Palette Colours(Pal p)
{
    switch (p) {
    case Pal::Azure:
        return {{Hex(0x02040C), Hex(0x0A2A5E), Hex(0x2A7FD4), Hex(0xC8F0FF)}};
    case Pal::Ember:
        return {{Hex(0x050202), Hex(0x4A0C04), Hex(0xC8420E), Hex(0xFFD27A)}};
    case Pal::Violet:
        return {{Hex(0x04020A), Hex(0x2A0A4E), Hex(0x8A2AC8), Hex(0xF0A8FF)}};
    case Pal::Emerald:
        return {{Hex(0x010604), Hex(0x063A2A), Hex(0x1EA878), Hex(0xC8FFE0)}};
    case Pal::Gold:
        return {{Hex(0x050402), Hex(0x3A2406), Hex(0xB07A1E), Hex(0xFFE8A8)}};
    case Pal::Ice:
        return {{Hex(0x020409), Hex(0x1C2C44), Hex(0x7AA8D0), Hex(0xF0F8FF)}};
    case Pal::Toxic:
        return {{Hex(0x020502), Hex(0x1E3A06), Hex(0x78C81E), Hex(0xEAFFA0)}};
    case Pal::Rose:
        return {{Hex(0x060204), Hex(0x4A0A24), Hex(0xD04A7A), Hex(0xFFD0D8)}};
    case Pal::Steel:
        return {{Hex(0x030405), Hex(0x262C36), Hex(0x7A8494), Hex(0xE0E6EE)}};
    case Pal::Sunset:
        return {{Hex(0x06020E), Hex(0x3A0A4A), Hex(0xC83A6A), Hex(0xFFB060)}};
    case Pal::Ocean:
        return {{Hex(0x010408), Hex(0x04303E), Hex(0x1AA0B0), Hex(0xC0FFF4)}};
    default:
        return {{Hex(0x050102), Hex(0x3A0408), Hex(0xA0102A), Hex(0xFF7A6A)}};
    }
}

enum class Style {
    Nebula,
    Plasma,
    Panels,
    Hexes,
    Circuit,
    Crystal,
    Marble,
    Planet,
    Grating,
    Aurora,
    Horizon,
    Lava,
    Ripples,
    Vortex,
    Stones,
    OpArt,
    Dunes,
    Galaxy,
    Flesh
};

struct Recipe {
    int number;
    Style style;
    Pal pal;
    Pal accent;
    uint64_t seed;
};

const std::vector<Recipe>& Recipes()
{
    static const std::vector<Recipe> recipes = {
        {8, Style::Nebula, Pal::Azure, Pal::Violet, 801},     {9, Style::Panels, Pal::Steel, Pal::Azure, 901},
        {10, Style::Plasma, Pal::Violet, Pal::Azure, 1001},   {11, Style::Hexes, Pal::Emerald, Pal::Emerald, 1101},
        {12, Style::Circuit, Pal::Ocean, Pal::Ocean, 1201},   {13, Style::Crystal, Pal::Ice, Pal::Azure, 1301},
        {14, Style::Marble, Pal::Rose, Pal::Rose, 1401},      {15, Style::Planet, Pal::Ember, Pal::Violet, 1501},
        {16, Style::Grating, Pal::Steel, Pal::Ice, 1601},     {17, Style::Aurora, Pal::Emerald, Pal::Azure, 1701},
        {18, Style::Horizon, Pal::Sunset, Pal::Violet, 1801}, {19, Style::Lava, Pal::Ember, Pal::Ember, 1901},
        {20, Style::Ripples, Pal::Azure, Pal::Azure, 2001},   {21, Style::Vortex, Pal::Violet, Pal::Rose, 2101},
        {22, Style::Stones, Pal::Gold, Pal::Gold, 2201},      {23, Style::Nebula, Pal::Sunset, Pal::Ember, 2301},
        {24, Style::OpArt, Pal::Azure, Pal::Violet, 2401},    {25, Style::Dunes, Pal::Gold, Pal::Sunset, 2501},
        {26, Style::Galaxy, Pal::Ice, Pal::Violet, 2601},     {27, Style::Panels, Pal::Ember, Pal::Gold, 2701},
        {28, Style::Plasma, Pal::Toxic, Pal::Ocean, 2801},    {29, Style::Hexes, Pal::Gold, Pal::Ember, 2901},
        {30, Style::Circuit, Pal::Ember, Pal::Gold, 3001},    {31, Style::Crystal, Pal::Violet, Pal::Rose, 3101},
        {32, Style::Planet, Pal::Azure, Pal::Ice, 3201},      {34, Style::Marble, Pal::Emerald, Pal::Emerald, 3401},
        {35, Style::Lava, Pal::Toxic, Pal::Toxic, 3501},      {36, Style::Aurora, Pal::Violet, Pal::Rose, 3601},
        {37, Style::Ripples, Pal::Ocean, Pal::Emerald, 3701}, {38, Style::Vortex, Pal::Ember, Pal::Gold, 3801},
        {39, Style::Nebula, Pal::Emerald, Pal::Ocean, 3901},  {42, Style::Stones, Pal::Steel, Pal::Azure, 4201},
        {43, Style::Flesh, Pal::Blood, Pal::Violet, 4301},    {47, Style::Panels, Pal::Azure, Pal::Ocean, 4701},
        {48, Style::Galaxy, Pal::Violet, Pal::Azure, 4801},   {49, Style::Horizon, Pal::Azure, Pal::Ocean, 4901},
        {50, Style::Nebula, Pal::Violet, Pal::Azure, 5001},
    };
    return recipes;
}

Canvas Paint(const Recipe& s)
{
    const Palette p = Colours(s.pal), a = Colours(s.accent);
    switch (s.style) {
    case Style::Nebula:
        return scene::Nebula(p, a, s.seed);
    case Style::Plasma:
        return scene::Plasma(p, a, s.seed);
    case Style::Panels:
        return scene::Panels(p, a, s.seed);
    case Style::Hexes:
        return scene::Hexes(p, a, s.seed);
    case Style::Circuit:
        return scene::Circuit(p, a, s.seed);
    case Style::Crystal:
        return scene::Crystal(p, a, s.seed);
    case Style::Marble:
        return scene::Marble(p, a, s.seed);
    case Style::Planet:
        return scene::Planet(p, a, s.seed);
    case Style::Grating:
        return scene::Grating(p, a, s.seed);
    case Style::Aurora:
        return scene::Aurora(p, a, s.seed);
    case Style::Horizon:
        return scene::Horizon(p, a, s.seed);
    case Style::Lava:
        return scene::Lava(p, a, s.seed);
    case Style::Ripples:
        return scene::Ripples(p, a, s.seed);
    case Style::Vortex:
        return scene::Vortex(p, a, s.seed);
    case Style::Stones:
        return scene::Stones(p, a, s.seed);
    case Style::OpArt:
        return scene::OpArt(p, a, s.seed);
    case Style::Dunes:
        return scene::Dunes(p, a, s.seed);
    case Style::Galaxy:
        return scene::Galaxy(p, a, s.seed);
    default:
        return scene::Flesh(p, a, s.seed);
    }
}

// Brings the picture to a dim, even level: average brightness towards `target`, highlights rolled off
// so that nothing in the background competes with the bricks, and a soft vignette.
void Darken(Canvas& c, float target, float ceiling)
{
    double sum = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Px& q = c.At(x, y);
            sum += 0.299 * q.r + 0.587 * q.g + 0.114 * q.b;
        }
    const float mean = static_cast<float>(sum / (static_cast<double>(W) * H));
    const float gain = std::clamp(target / std::max(mean, 1e-4f), 0.25f, 1.6f);
    const float knee = ceiling * 0.55f;
    auto roll = [&](float v) {
        v *= gain;
        if (v <= knee) return v;
        return knee + (ceiling - knee) * (1.0f - std::exp(-(v - knee) / (ceiling - knee)));
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float u = (x + 0.5f) / W - 0.5f, v = (y + 0.5f) / H - 0.5f;
            const float vignette = 1.0f - 0.35f * SmoothStep(0.2f, 0.75f, std::hypot(u, v * 0.95f));
            Px& q = c.At(x, y);
            q = {roll(q.r) * vignette, roll(q.g) * vignette, roll(q.b) * vignette, 1.0f};
        }
}

}  // namespace

std::vector<int> BackgroundNumbers()
{
    std::vector<int> numbers;
    for (const Recipe& s : Recipes()) numbers.push_back(s.number);
    return numbers;
}

Canvas Background(int number)
{
    for (const Recipe& s : Recipes())
        if (s.number == number) {
            Canvas c = Paint(s);
            // The front-end screens carry pages and text on top, and the red boss needs his stage to
            // himself: those are kept darker still.
            const bool dim = number >= 43;
            Darken(c, dim ? 0.09f : 0.13f, dim ? 0.42f : 0.5f);
            return c;
        }
    throw std::invalid_argument("no background numbered " + std::to_string(number));
}

}  // namespace art
