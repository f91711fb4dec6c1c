// assetgen_images: paints every picture of the game and writes it under <data dir>/images, or the
// desktop icons under <icons dir>/hicolor.
#include "tools/assetgen/images/Catalogue.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    std::vector<std::string> only;
    bool usage = argc < 2 || (!icons && argv[1][0] == '-');
    for (int i = 2; !icons && i < argc; i += 2) {
        if (std::string(argv[i]) != "--only" || i + 1 == argc)
            usage = true;
        else
            only.emplace_back(argv[i + 1]);
    }
    if (usage) {
        std::fprintf(stderr, "usage: assetgen_images <data folder> [--only FILE]... | --icons <icons folder>\n"
                             "FILE is a path below the images folder, e.g. Zog/ZogAnim.png.\n");
        return 2;
    }
    try {
        const std::vector<std::string> errors = icons ? art::WriteIcons(argv[2]) : art::WriteAllImages(argv[1], only);
        for (const std::string& e : errors) std::fprintf(stderr, "assetgen_images: %s\n", e.c_str());
        return errors.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen_images: %s\n", e.what());
        return 1;
    }
}
