// The game's fonts and images, one program-wide variable per asset, and their loaders.
#include "game/GameGraphics.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageAsset.h"
#include "framework/system/Report.h"
#include "framework/system/Stream.h"
#include "game/GameCommon.h"
#include "game/LevelData.h"

#include <string>
#include <utility>

namespace {

// Each drawn by its level alone, or only when the boss dies: opened now, decoded when the level is
// built (LoadLevelImages).
constexpr TImageAsset WithItsLevel(TImagePtr* variable, const char* file, int32_t cellWidth = 0, int32_t cellHeight = 0,
                                   int32_t frames = 1)
{
    return {variable, file, cellWidth, cellHeight, frames, -1, TAssetNeed::WithItsLevel};
}

// Drawn by the intro and the front end alone: decoded first when the run opens with them, else
// behind the game.
constexpr TImageAsset ForTheMenu(TImagePtr* variable, const char* file, int32_t cellWidth = 0, int32_t cellHeight = 0,
                                 int32_t frames = 1)
{
    return {variable, file, cellWidth, cellHeight, frames, -1, TAssetNeed::BeforeMenu};
}

// Drawn by one information screen alone (the high scores, the instructions, the credits): opened
// now, decoded while the menu fades out toward its screen (GameGraphics::PrefetchImages), rather
// than held decoded from start-up.
constexpr TImageAsset ForAnInformationScreen(TImagePtr* variable, const char* file)
{
    return {variable, file, 0, 0, 1, -1, TAssetNeed::WithItsLevel};
}

// Drawn in play but never in a level's first frames (aliens, capsules, bolts, the boss), or not
// at all: decoded behind the game once it shows its first screen.
constexpr TImageAsset LaterInPlay(TImagePtr* variable, const char* file, int32_t cellWidth = 0, int32_t cellHeight = 0,
                                  int32_t frames = 1, int32_t flags = -1)
{
    return {variable, file, cellWidth, cellHeight, frames, flags, TAssetNeed::InBackground};
}

// Every picture, in catalogue order; a strip has a cell size and frame count. Those not marked are
// drawn in a level's first frame and decoded before it.
const TImageAsset ImageCatalogue[] = {
    ForTheMenu(&QuillonLogoImage, "images/Quillonlogo.png"),
    ForTheMenu(&MenuBackgroundImage, "images/bkgnd_50.jpg"),
    ForTheMenu(&MenuPageImage, "images/page_menu.png"),
    ForAnInformationScreen(&HighscoreBackgroundImage, "images/bkgnd_49.jpg"),
    ForAnInformationScreen(&HighscorePageImage, "images/page_hiscore.png"),
    ForAnInformationScreen(&InstructionsBackgroundImage, "images/bkgnd_47.jpg"),
    ForAnInformationScreen(&InstructionsPageImage, "images/page_instructions.png"),
    ForAnInformationScreen(&CreditsBackgroundImage, "images/bkgnd_48.jpg"),
    ForTheMenu(&GuruAnimImage, "images/GuruAnim.png", 642, 79, 2),
    {&SidebarLogoImage, "images/logo_sidebar.png"},
    ForTheMenu(&KrellixLogoImage, "images/logo_krellix.png"),
    {&PadImage, "images/Pad.png"},
    {&PadShadowImage, "images/PadShadow.png"},
    LaterInPlay(&PadLazerAnimImage, "images/PadLazerAnim.png", 96, 32, 10),
    LaterInPlay(&BrownAlienImage, "images/AlienBrown.png", 0, 0, 1, IMG_FILTERED),
    LaterInPlay(&RedAlienImage, "images/AlienRed.png", 0, 0, 1, IMG_FILTERED),
    LaterInPlay(&BlackAlienImage, "images/AlienBlack.png", 0, 0, 1, IMG_FILTERED),
    LaterInPlay(&AlienShadowImage, "images/AlienShadow.png"),
    LaterInPlay(&ZogLienBigImage, "images/Zog/ZOGlien_Big.png"),
    LaterInPlay(&ZogLienSmallImage, "images/Zog/ZOGlien_Small.png"),
    // The largest picture by far, drawn only when the boss dies, once, frame after frame: decoded a
    // row of cells ahead of the explosion and given back behind it, never whole.
    WithItsLevel(&ZogExplosionImage, "images/ZogExplosion.jpg", 512, 512, 200),
    LaterInPlay(&AlienExplosionImage, "images/AlienExplosion.png", 64, 64, 64),
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
    // The boss and its shadow, drawn by the boss level alone: 3.4 MiB of pixels kept for the boss's
    // hit test, not to be held through the other 32 levels.
    WithItsLevel(&ZogAnimImage, "images/Zog/ZogAnim.png", 184, 368, 12),
    WithItsLevel(&BigBossShadowImage, "images/BigBoss_Shadow.png"),
    {&BlockShadowImage, "images/BlockShadow.png"},
    {&ExitPipesInnerPaneImage, "images/xitpipes_innerpane.png"},
    LaterInPlay(&ExitPipesGlowLeftImage, "images/xitpipes_glow_leftt.png"),
    LaterInPlay(&ExitPipesGlowRightImage, "images/xitpipes_glow_right.png"),
    WithItsLevel(&Background08Image, "images/bkgnd_08.jpg"),
    WithItsLevel(&Background09Image, "images/bkgnd_09.jpg"),
    WithItsLevel(&Background10Image, "images/bkgnd_10.jpg"),
    WithItsLevel(&Background11Image, "images/bkgnd_11.jpg"),
    WithItsLevel(&Background12Image, "images/bkgnd_12.jpg"),
    WithItsLevel(&Background13Image, "images/bkgnd_13.jpg"),
    WithItsLevel(&Background14Image, "images/bkgnd_14.jpg"),
    WithItsLevel(&Background15Image, "images/bkgnd_15.jpg"),
    WithItsLevel(&Background16Image, "images/bkgnd_16.jpg"),
    WithItsLevel(&Background17Image, "images/bkgnd_17.jpg"),
    WithItsLevel(&Background18Image, "images/bkgnd_18.jpg"),
    WithItsLevel(&Background19Image, "images/bkgnd_19.jpg"),
    WithItsLevel(&Background20Image, "images/bkgnd_20.jpg"),
    WithItsLevel(&Background21Image, "images/bkgnd_21.jpg"),
    WithItsLevel(&Background22Image, "images/bkgnd_22.jpg"),
    WithItsLevel(&Background23Image, "images/bkgnd_23.jpg"),
    WithItsLevel(&Background24Image, "images/bkgnd_24.jpg"),
    WithItsLevel(&Background25Image, "images/bkgnd_25.jpg"),
    WithItsLevel(&Background26Image, "images/bkgnd_26.jpg"),
    WithItsLevel(&Background27Image, "images/bkgnd_27.jpg"),
    WithItsLevel(&Background28Image, "images/bkgnd_28.jpg"),
    WithItsLevel(&Background29Image, "images/bkgnd_29.jpg"),
    WithItsLevel(&Background30Image, "images/bkgnd_30.jpg"),
    WithItsLevel(&Background31Image, "images/bkgnd_31.jpg"),
    WithItsLevel(&Background32Image, "images/bkgnd_32.jpg"),
    WithItsLevel(&Background34Image, "images/bkgnd_34.jpg"),
    WithItsLevel(&Background35Image, "images/bkgnd_35.jpg"),
    WithItsLevel(&Background36Image, "images/bkgnd_36.jpg"),
    WithItsLevel(&Background37Image, "images/bkgnd_37.jpg"),
    WithItsLevel(&Background38Image, "images/bkgnd_38.jpg"),
    WithItsLevel(&Background39Image, "images/bkgnd_39.jpg"),
    WithItsLevel(&Background42Image, "images/bkgnd_42.jpg"),
    WithItsLevel(&Background43Image, "images/bkgnd_43.jpg"),
    LaterInPlay(&BonusDImage, "images/BonusD.png"),
    LaterInPlay(&BonusCImage, "images/BonusC.png"),
    LaterInPlay(&BonusEImage, "images/BonusE.png"),
    LaterInPlay(&BonusSImage, "images/BonusS.png"),
    LaterInPlay(&BonusLImage, "images/BonusL.png"),
    LaterInPlay(&BonusPImage, "images/BonusP.png"),
    LaterInPlay(&BonusXImage, "images/BonusX.png"),
    LaterInPlay(&BonusShadowImage, "images/BonusShadow.png"),
    LaterInPlay(&LazerImage, "images/Lazer.png"),
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

}  // namespace

std::span<const TImageAsset> GameGraphics::Images() { return ImageCatalogue; }

void GameGraphics::LoadFonts()
{
    LargeFont = LoadFont("incbin::armorpiercing/ap.ttf", 42);
    SmallFont = LoadFont("incbin::fonts/arial.ttf", 9);
}

namespace {

TAssetLoader ImageLoader("images", "drawing goes on without them");
TLoaderSettling ImageSettling(ImageLoader);

}  // namespace

void GameGraphics::StartLoading(int32_t firstLevel)
{
    if (ImageLoader.Busy()) return;
    SetAutoImageFlags(IMG_FILTERED | IMG_MIPMAPPED);
    // The boss and its shadow are bricks of the boss level, drawn from its first frame on: a run
    // that opens there decodes them first, not behind the game. So does the first level's
    // background, rather than when the level is built, in its first frame's time.
    const bool levelFirst = firstLevel >= 1 && firstLevel <= static_cast<int32_t>(LevelSettings.size());
    const TLevelSettings* first = levelFirst ? &LevelSettings[static_cast<size_t>(firstLevel - 1)] : nullptr;
    const bool bossFirst = first && first->isZog != 0;
    // A run that opens with play ends with that game: it never shows the intro or the menu, whose
    // twelve megabytes of pictures are only opened, and decoded should they ever be drawn.
    const bool playFirst = firstLevel > 0;
    TAssetJobs jobs;
    for (const TImageAsset& e : ImageCatalogue) {
        const bool boss = e.variable == &ZogAnimImage || e.variable == &BigBossShadowImage;
        const bool firstScreen = (bossFirst && boss) || (first && e.variable == first->background);
        TAssetNeed need = firstScreen ? TAssetNeed::BeforePlay : e.need;
        if (playFirst && need == TAssetNeed::BeforeMenu) need = TAssetNeed::WithItsLevel;
        jobs.push_back(ImageAsset(*e.variable, e.file, e.cellWidth, e.cellHeight, e.frames, e.flags, need));
    }
    ImageLoader.Start(std::move(jobs), firstLevel > 0 ? TAssetNeed::BeforePlay : TAssetNeed::BeforeMenu);
}

void GameGraphics::AbandonLoading()
{
    ImageSettling.Stop();
    ImageLoader.Abandon();
}

void GameGraphics::LoadImages()
{
    StartLoading();
    ImageLoader.Finish();
}

void GameGraphics::LoadImagesForFirstScreen()
{
    StartLoading();
    ImageLoader.Load();
    ImageSettling.Start();
}

void GameGraphics::FinishLoading()
{
    ImageSettling.Stop();
    ImageLoader.Finish();
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
    // The boss is drawn and hit from the boss level's first frame: it decodes beside the
    // background. The boss level decodes the explosion once play begins (PrefetchBossExplosion).
    for (const TImagePtr* boss : {&ZogAnimImage, &BigBossShadowImage}) {
        if (!*boss) continue;
        if (bossLevel)
            (*boss)->PrefetchPixels();
        else
            (*boss)->ReleasePixels();
    }
    if (ZogExplosionImage && !bossLevel) ZogExplosionImage->ReleasePixels();
}

void GameGraphics::PrefetchImages(std::initializer_list<TImagePtr> images)
{
    for (const TImagePtr& image : images)
        if (image) image->PrefetchPixels();
}

void GameGraphics::PrefetchBossExplosion()
{
    // Its first row of cells decodes on another core while the level is played, not while the
    // level's first frame waits for its background on that core; the explosion is drawn only when
    // the boss dies, and waits for its frames should they still be on their way. A boss level
    // played again plays the explosion again from its first frame.
    if (ZogExplosionImage) ZogExplosionImage->PrefetchPixels();
}
