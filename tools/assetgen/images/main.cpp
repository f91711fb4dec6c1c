// assetgen_images: paints every picture of the game and writes it under <data dir>/images.
#include "tools/assetgen/images/Catalogue.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen_images <data folder>\n");
        return 2;
    }
    try {
        const std::vector<std::string> errors = art::WriteAllImages(argv[1]);
        for (const std::string& e : errors)
            std::fprintf(stderr, "assetgen_images: %s\n", e.c_str());
        return errors.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen_images: %s\n", e.what());
        return 1;
    }
}
