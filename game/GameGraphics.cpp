// The game's fonts and images, one program-wide variable per asset, and their loaders.
#include "game/GameGraphics.h"

#include "framework/system/Parallel.h"
#include "framework/system/Report.h"
#include "framework/system/Stream.h"
#include "game/GameCommon.h"
#include "game/LevelData.h"

#include <algorithm>
#include <array>
#include <future>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every picture, in catalogue order; a strip has a cell size and frame count.
const TImageAsset ImageCatalogue[] = {
    {&QuillonLogoImage, "images/Quillonlogo.png"},
    {&MenuBackgroundImage, "images/bkgnd_50.jpg"},
    {&MenuPageImage, "images/page_menu.png"},
    {&HighscoreBackgroundImage, "images/bkgnd_49.jpg"},
    {&HighscorePageImage, "images/page_hiscore.png"},
    {&InstructionsBackgroundImage, "images/bkgnd_47.jpg"},
    {&InstructionsPageImage, "images/page_instructions.png"},
    {&CreditsBackgroundImage, "images/bkgnd_48.jpg"},
    {&GuruAnimImage, "images/GuruAnim.png", 642, 79, 2},
    {&SidebarLogoImage, "images/logo_sidebar.png"},
    {&KrellixLogoImage, "images/logo_krellix.png"},
    {&PadImage, "images/Pad.png"},
    {&PadShadowImage, "images/PadShadow.png"},
    {&PadLazerAnimImage, "images/PadLazerAnim.png", 96, 32, 10},
    {&BrownAlienImage, "images/AlienBrown.png", 0, 0, 1, IMG_FILTERED},
    {&RedAlienImage, "images/AlienRed.png", 0, 0, 1, IMG_FILTERED},
    {&BlackAlienImage, "images/AlienBlack.png", 0, 0, 1, IMG_FILTERED},
    {&AlienShadowImage, "images/AlienShadow.png"},
    {&ZogLienBigImage, "images/Zog/ZOGlien_Big.png"},
    {&ZogLienSmallImage, "images/Zog/ZOGlien_Small.png"},
    {&ZogExplosionImage, "images/ZogExplosion.jpg", 512, 512, 200},
    {&AlienExplosionImage, "images/AlienExplosion.png", 64, 64, 64},
    {&BallImage, "images/Ball2.png"},
    {&BallShadowImage, "images/BallShadow.png"},
    {&DotImage, "images/Dot.png"},
    {&RightBorderImage, "images/RightBorder.png"},
    {&LeftBorderImage, "images/LeftBorder.png"},
    {&TopBorderImage, "images/TopBorder.PNG"},
    {&InfoFieldImage, "images/InfoField.png"},
    {&BlockWhiteImage, "images/BlockWhite.png"},
    {&BlockRedImage, "images/BlockRed.png"},
    {&BlockYellowImage, "images/BlockYellow.png"},
    {&BlockLightBlueImage, "images/BlockLightBlue.png"},
    {&BlockRoseImage, "images/BlockPink.png"},
    {&BlockGreenImage, "images/BlockGreen.png"},
    {&BlockBlueImage, "images/BlockBlue.png"},
    {&BlockSemiSolidAnimImage, "images/BlockSemiSolidAnim.png", 60, 25, 10},
    {&BlockSolidAnimImage, "images/BlockSolidAnim.png", 60, 25, 10},
    {&ZogAnimImage, "images/Zog/ZogAnim.png", 184, 368, 12},
    {&BigBossShadowImage, "images/BigBoss_Shadow.png"},
    {&BlockShadowImage, "images/BlockShadow.png"},
    {&ExitPipesInnerPaneImage, "images/xitpipes_innerpane.png"},
    {&ExitPipesGlowLeftImage, "images/xitpipes_glow_leftt.png"},
    {&ExitPipesGlowRightImage, "images/xitpipes_glow_right.png"},
    {&Background08Image, "images/bkgnd_08.jpg"},
    {&Background09Image, "images/bkgnd_09.jpg"},
    {&Background10Image, "images/bkgnd_10.jpg"},
    {&Background11Image, "images/bkgnd_11.jpg"},
    {&Background12Image, "images/bkgnd_12.jpg"},
    {&Background13Image, "images/bkgnd_13.jpg"},
    {&Background14Image, "images/bkgnd_14.jpg"},
    {&Background15Image, "images/bkgnd_15.jpg"},
    {&Background16Image, "images/bkgnd_16.jpg"},
    {&Background17Image, "images/bkgnd_17.jpg"},
    {&Background18Image, "images/bkgnd_18.jpg"},
    {&Background19Image, "images/bkgnd_19.jpg"},
    {&Background20Image, "images/bkgnd_20.jpg"},
    {&Background21Image, "images/bkgnd_21.jpg"},
    {&Background22Image, "images/bkgnd_22.jpg"},
    {&Background23Image, "images/bkgnd_23.jpg"},
    {&Background24Image, "images/bkgnd_24.jpg"},
    {&Background25Image, "images/bkgnd_25.jpg"},
    {&Background26Image, "images/bkgnd_26.jpg"},
    {&Background27Image, "images/bkgnd_27.jpg"},
    {&Background28Image, "images/bkgnd_28.jpg"},
    {&Background29Image, "images/bkgnd_29.jpg"},
    {&Background30Image, "images/bkgnd_30.jpg"},
    {&Background31Image, "images/bkgnd_31.jpg"},
    {&Background32Image, "images/bkgnd_32.jpg"},
    {&Background34Image, "images/bkgnd_34.jpg"},
    {&Background35Image, "images/bkgnd_35.jpg"},
    {&Background36Image, "images/bkgnd_36.jpg"},
    {&Background37Image, "images/bkgnd_37.jpg"},
    {&Background38Image, "images/bkgnd_38.jpg"},
    {&Background39Image, "images/bkgnd_39.jpg"},
    {&Background42Image, "images/bkgnd_42.jpg"},
    {&Background43Image, "images/bkgnd_43.jpg"},
    {&BonusDImage, "images/BonusD.png"},
    {&BonusCImage, "images/BonusC.png"},
    {&BonusEImage, "images/BonusE.png"},
    {&BonusSImage, "images/BonusS.png"},
    {&BonusLImage, "images/BonusL.png"},
    {&BonusPImage, "images/BonusP.png"},
    {&BonusXImage, "images/BonusX.png"},
    {&BonusShadowImage, "images/BonusShadow.png"},
    {&LazerImage, "images/Lazer.png"},
};

// Counts the files that failed so a broken install is reported in one line, not one per file.
struct TLoadTally {
    int32_t total = 0;
    int32_t missing = 0;
    std::string first;

    void Note(const std::string& file, bool loaded)
    {
        ++total;
        if (loaded) return;
        if (missing++ == 0) first = file;
    }
    void Report(const char* what) const
    {
        if (missing == 0) return;
        ReportProblem(std::to_string(missing) + " of " + std::to_string(total) + " " + what +
                      " could not be loaded (first: " + first + "); drawing goes on without them");
    }
};

// An "incbin::" font that was never registered raises a stream error; that is a missing font,
// which leaves its variable null like any other missing asset.
TImageFontPtr LoadFont(const std::string& url, int32_t size)
{
    try {
        TImageFontPtr font = LoadImageFont(url, size, FONT_SMOOTH);
        if (!font) ReportProblem("font " + url + " could not be loaded; texts fall back to nothing");
        return font;
    } catch (const TStreamException&) {
        ReportProblem("font " + url + " is not built into this program");
        return nullptr;
    }
}

// Whether the variable is a level's background, which only that level draws.
bool LevelBackground(const TImagePtr* variable)
{
    return std::any_of(LevelSettings.begin(), LevelSettings.end(),
                       [variable](const TLevelSettings& settings) { return settings.background == variable; });
}

}  // namespace

std::span<const TImageAsset> GameGraphics::Images() { return ImageCatalogue; }

void GameGraphics::LoadFonts()
{
    LargeFont = LoadFont("incbin::armorpiercing/ap.ttf", 42);
    SmallFont = LoadFont("incbin::fonts/arial.ttf", 9);
}

namespace {

constexpr size_t ImageCount = std::size(ImageCatalogue);
using TLoadedImages = std::array<TImagePtr, ImageCount>;

// Decoded side by side, the largest files first so that no core is left with a big one at the end.
TLoadedImages DecodeImages()
{
    std::vector<const char*> files;
    for (const auto& e : ImageCatalogue) files.push_back(e.file);
    const std::vector<size_t> order = LargestFilesFirst(files);
    TLoadedImages loaded;
    RunInParallel(ImageCount, [&](size_t job) {
        const TImageAsset& e = ImageCatalogue[order[job]];
        TImagePtr& image = loaded[order[job]];
        if (LevelBackground(e.variable))
            // Each drawn by its level alone: decoded when the level is built (LoadLevelImages).
            image = LoadImageDeferred(e.file, e.flags);
        else if (e.frames == 1)
            image = LoadImage(e.file, e.flags);
        else if (e.variable == &ZogExplosionImage)
            // The largest picture by far, drawn only when the boss dies, once, frame after frame:
            // decoded a row of cells ahead of the explosion and given back behind it, never whole.
            image = LoadAnimImageStreamed(e.file, e.cellWidth, e.cellHeight, 0, e.frames, e.flags);
        else
            image = LoadAnimImage(e.file, e.cellWidth, e.cellHeight, 0, e.frames, e.flags);
    });
    return loaded;
}

std::future<TLoadedImages> PendingImages;

}  // namespace

void GameGraphics::StartLoading()
{
    if (PendingImages.valid()) return;
    SetAutoImageFlags(IMG_FILTERED | IMG_MIPMAPPED);
    PendingImages = std::async(std::launch::async, DecodeImages);
}

void GameGraphics::AbandonLoading()
{
    if (PendingImages.valid()) PendingImages.get();
}

void GameGraphics::LoadImages()
{
    if (!PendingImages.valid()) StartLoading();
    TLoadedImages loaded = PendingImages.get();
    // The variables are filled in catalogue order.
    TLoadTally tally;
    for (size_t i = 0; i < ImageCount; ++i) {
        *ImageCatalogue[i].variable = std::move(loaded[i]);
        tally.Note(ImageCatalogue[i].file, *ImageCatalogue[i].variable != nullptr);
    }
    tally.Report("images");
}

void GameGraphics::LoadLevelImages(const TImagePtr& background, bool bossLevel)
{
    // The level's background decodes on another core while the level is built and its music
    // decoded; its first frame waits for it should it still be on its way. The others give back
    // their pixels and textures.
    for (const TLevelSettings& settings : LevelSettings) {
        const TImagePtr& image = *settings.background;
        if (image && image != background) image->ReleasePixels();
    }
    if (background) background->PrefetchPixels();
    if (!ZogExplosionImage) return;
    // Its first row of cells decodes on another core while the level fades in and is played; the
    // explosion is drawn only when the boss dies, and waits for its frames should they still be
    // on their way. A boss level played again plays the explosion again from its first frame.
    if (bossLevel)
        ZogExplosionImage->PrefetchPixels();
    else
        ZogExplosionImage->ReleasePixels();
}
