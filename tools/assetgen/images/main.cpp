// assetgen_images: paints every picture of the game and writes it under <data dir>/images, or the
// desktop icons under <icons dir>/hicolor.
#include "tools/assetgen/images/Catalogue.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: assetgen_images <data folder> | --icons <icons folder>\n");
        return 2;
    }
    try {
        const std::vector<std::string> errors = icons ? art::WriteIcons(argv[2]) : art::WriteAllImages(argv[1]);
        for (const std::string& e : errors) std::fprintf(stderr, "assetgen_images: %s\n", e.c_str());
        return errors.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen_images: %s\n", e.what());
        return 1;
    }
}
