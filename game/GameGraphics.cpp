// The game's fonts and images, one program-wide variable per asset, and their loaders.
#include "game/GameGraphics.h"

#include "framework/system/Stream.h"
#include "game/GameCommon.h"

#include <cstdio>
#include <string>

TImagePtr QuillonLogoImage, MenuBackgroundImage, MenuPageImage, HighscoreBackgroundImage, HighscorePageImage,
    InstructionsBackgroundImage, InstructionsPageImage, CreditsBackgroundImage, GuruAnimImage, SidebarLogoImage,
    KrellixLogoImage, PadImage, PadShadowImage, PadLazerAnimImage, BrownAlienImage, RedAlienImage,
    BlackAlienImage, AlienShadowImage, ZogLienBigImage, ZogLienSmallImage, ZogExplosionImage,
    AlienExplosionImage, BallImage, BallShadowImage, DotImage, RightBorderImage, LeftBorderImage, TopBorderImage,
    InfoFieldImage, BlockWhiteImage, BlockRedImage, BlockYellowImage, BlockLightBlueImage, BlockRoseImage,
    BlockGreenImage, BlockBlueImage, BlockSemiSolidAnimImage, BlockSolidAnimImage, ZogAnimImage,
    BigBossShadowImage, BlockShadowImage, ExitPipesInnerPaneImage, ExitPipesGlowLeftImage,
    ExitPipesGlowRightImage, Background08Image, Background09Image, Background10Image, Background11Image,
    Background12Image, Background13Image, Background14Image, Background15Image, Background16Image,
    Background17Image, Background18Image, Background19Image, Background20Image, Background21Image,
    Background22Image, Background23Image, Background24Image, Background25Image, Background26Image,
    Background27Image, Background28Image, Background29Image, Background30Image, Background31Image,
    Background32Image, Background34Image, Background35Image, Background36Image, Background37Image,
    Background38Image, Background39Image, Background42Image, Background43Image, BonusDImage, BonusCImage,
    BonusEImage, BonusSImage, BonusLImage, BonusPImage, BonusXImage, BonusShadowImage, LazerImage;

namespace {

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
        std::fprintf(stderr, "krellix: %d of %d %s could not be loaded (first: %s); drawing goes on without them\n",
                     missing, total, what, first.c_str());
    }
};

// An "incbin::" font that was never registered raises a stream error; that is a missing font,
// which leaves its variable null like any other missing asset.
TImageFontPtr LoadFont(const std::string& url, int32_t size)
{
    try {
        TImageFontPtr font = LoadImageFont(url, size, FONT_SMOOTH);
        if (!font) std::fprintf(stderr, "krellix: font %s could not be loaded; texts fall back to nothing\n", url.c_str());
        return font;
    } catch (const TStreamException&) {
        std::fprintf(stderr, "krellix: font %s is not built into this program\n", url.c_str());
        return nullptr;
    }
}

}  // namespace

void GameGraphics::LoadFonts()
{
    LargeFont = LoadFont("incbin::armorpiercing/ap.ttf", 42);
    SmallFont = LoadFont("incbin::fonts/arial.ttf", 9);
}

void GameGraphics::LoadImages()
{
    TLoadTally tally;
    auto single = [&](TImagePtr& var, const char* file, int32_t flags = -1) {
        var = LoadImage(file, flags);
        tally.Note(file, var != nullptr);
    };
    auto strip = [&](TImagePtr& var, const char* file, int32_t w, int32_t h, int32_t count) {
        var = LoadAnimImage(file, w, h, 0, count, -1);
        tally.Note(file, var != nullptr);
    };

    SetAutoImageFlags(IMG_FILTERED | IMG_MIPMAPPED);
    single(QuillonLogoImage, "images/Quillonlogo.png");
    single(MenuBackgroundImage, "images/bkgnd_50.jpg");
    single(MenuPageImage, "images/page_menu.png");
    single(HighscoreBackgroundImage, "images/bkgnd_49.jpg");
    single(HighscorePageImage, "images/page_hiscore.png");
    single(InstructionsBackgroundImage, "images/bkgnd_47.jpg");
    single(InstructionsPageImage, "images/page_instructions.png");
    single(CreditsBackgroundImage, "images/bkgnd_48.jpg");
    strip(GuruAnimImage, "images/GuruAnim.png", 642, 79, 2);
    single(SidebarLogoImage, "images/logo_sidebar.png");
    single(KrellixLogoImage, "images/logo_krellix.png");
    single(PadImage, "images/Pad.png");
    single(PadShadowImage, "images/PadShadow.png");
    strip(PadLazerAnimImage, "images/PadLazerAnim.png", 96, 32, 10);
    single(BrownAlienImage, "images/AlienBrown.png", IMG_FILTERED);
    single(RedAlienImage, "images/AlienRed.png", IMG_FILTERED);
    single(BlackAlienImage, "images/AlienBlack.png", IMG_FILTERED);
    single(AlienShadowImage, "images/AlienShadow.png");
    single(ZogLienBigImage, "images/Zog/ZOGlien_Big.png");
    single(ZogLienSmallImage, "images/Zog/ZOGlien_Small.png");
    strip(ZogExplosionImage, "images/ZogExplosion.jpg", 512, 512, 200);
    strip(AlienExplosionImage, "images/AlienExplosion.png", 64, 64, 64);
    single(BallImage, "images/Ball2.png");
    single(BallShadowImage, "images/BallShadow.png");
    single(DotImage, "images/Dot.png");
    single(RightBorderImage, "images/RightBorder.png");
    single(LeftBorderImage, "images/LeftBorder.png");
    single(TopBorderImage, "images/TopBorder.PNG");
    single(InfoFieldImage, "images/InfoField.png");
    single(BlockWhiteImage, "images/BlockWhite.png");
    single(BlockRedImage, "images/BlockRed.png");
    single(BlockYellowImage, "images/BlockYellow.png");
    single(BlockLightBlueImage, "images/BlockLightBlue.png");
    single(BlockRoseImage, "images/BlockPink.png");
    single(BlockGreenImage, "images/BlockGreen.png");
    single(BlockBlueImage, "images/BlockBlue.png");
    strip(BlockSemiSolidAnimImage, "images/BlockSemiSolidAnim.png", 60, 25, 10);
    strip(BlockSolidAnimImage, "images/BlockSolidAnim.png", 60, 25, 10);
    strip(ZogAnimImage, "images/Zog/ZogAnim.png", 184, 368, 12);
    single(BigBossShadowImage, "images/BigBoss_Shadow.png");
    single(BlockShadowImage, "images/BlockShadow.png");
    single(ExitPipesInnerPaneImage, "images/xitpipes_innerpane.png");
    single(ExitPipesGlowLeftImage, "images/xitpipes_glow_leftt.png");
    single(ExitPipesGlowRightImage, "images/xitpipes_glow_right.png");
    single(Background08Image, "images/bkgnd_08.jpg");
    single(Background09Image, "images/bkgnd_09.jpg");
    single(Background10Image, "images/bkgnd_10.jpg");
    single(Background11Image, "images/bkgnd_11.jpg");
    single(Background12Image, "images/bkgnd_12.jpg");
    single(Background13Image, "images/bkgnd_13.jpg");
    single(Background14Image, "images/bkgnd_14.jpg");
    single(Background15Image, "images/bkgnd_15.jpg");
    single(Background16Image, "images/bkgnd_16.jpg");
    single(Background17Image, "images/bkgnd_17.jpg");
    single(Background18Image, "images/bkgnd_18.jpg");
    single(Background19Image, "images/bkgnd_19.jpg");
    single(Background20Image, "images/bkgnd_20.jpg");
    single(Background21Image, "images/bkgnd_21.jpg");
    single(Background22Image, "images/bkgnd_22.jpg");
    single(Background23Image, "images/bkgnd_23.jpg");
    single(Background24Image, "images/bkgnd_24.jpg");
    single(Background25Image, "images/bkgnd_25.jpg");
    single(Background26Image, "images/bkgnd_26.jpg");
    single(Background27Image, "images/bkgnd_27.jpg");
    single(Background28Image, "images/bkgnd_28.jpg");
    single(Background29Image, "images/bkgnd_29.jpg");
    single(Background30Image, "images/bkgnd_30.jpg");
    single(Background31Image, "images/bkgnd_31.jpg");
    single(Background32Image, "images/bkgnd_32.jpg");
    single(Background34Image, "images/bkgnd_34.jpg");
    single(Background35Image, "images/bkgnd_35.jpg");
    single(Background36Image, "images/bkgnd_36.jpg");
    single(Background37Image, "images/bkgnd_37.jpg");
    single(Background38Image, "images/bkgnd_38.jpg");
    single(Background39Image, "images/bkgnd_39.jpg");
    single(Background42Image, "images/bkgnd_42.jpg");
    single(Background43Image, "images/bkgnd_43.jpg");
    single(BonusDImage, "images/BonusD.png");
    single(BonusCImage, "images/BonusC.png");
    single(BonusEImage, "images/BonusE.png");
    single(BonusSImage, "images/BonusS.png");
    single(BonusLImage, "images/BonusL.png");
    single(BonusPImage, "images/BonusP.png");
    single(BonusXImage, "images/BonusX.png");
    single(BonusShadowImage, "images/BonusShadow.png");
    single(LazerImage, "images/Lazer.png");
    tally.Report("images");
}
