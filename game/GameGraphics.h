// The game's fonts and images, one program-wide variable per asset, and their loaders.
#pragma once

#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"
#include "framework/system/AssetLoader.h"

#include <cstdint>
#include <initializer_list>
#include <span>

// One picture of the catalogue: the variable it fills, its file, for a strip the cell size and
// frame count, and when it is needed; flags -1 takes the automatic image flags.
struct TImageAsset {
    TImagePtr* variable;
    const char* file;
    int32_t cellWidth = 0, cellHeight = 0, frames = 1;
    int32_t flags = -1;
    TAssetNeed need = TAssetNeed::AtOnce;
};

class GameGraphics {
public:
    // Every picture LoadImages loads, in catalogue order.
    static std::span<const TImageAsset> Images();
    static void LoadFonts();
    // Starts loading when StartLoading has not, waits for every picture and fills the variables
    // in catalogue order; the pictures that could not be loaded are named in one line.
    static void LoadImages();
    // As LoadImages, but waits only for the pictures of the first screen (the menu's, or those of
    // a level's first frames when StartLoading was told the run opens with play): the others are
    // handed out at their size, decode behind the game once it shows a screen, and are waited for
    // when first drawn. After each frame the loading is looked at, to be finished once all are
    // there.
    static void LoadImagesForFirstScreen();
    // Waits for every picture: those that could not be loaded are named by now.
    static void FinishLoading();
    // Sets the automatic image flags to 6 and starts decoding every picture on other threads, with
    // the images' handles as they are set now, so that they decode while the display opens and the
    // fonts load; those the run opens with first: the menu's, or with firstLevel 1..33 those of
    // that level's first frames.
    static void StartLoading(int32_t firstLevel = 0);
    // Waits for the decoding StartLoading began and drops it, when the game ends before loading.
    static void AbandonLoading();
    // The pictures only one level or one kind of level draws: the level's background, and on the
    // boss level the boss and its shadow, are decoded when the level is built; those of other
    // levels, and the boss's pictures and explosion strip but on the boss level, are given back.
    static void LoadLevelImages(const TImagePtr& background, bool bossLevel);
    // Starts decoding pictures only opened so far (those of an information screen) on another core,
    // while a fade leads to the screen that draws them; its first frame waits for any still on their
    // way. Pictures decoded or drawn already stay as they are.
    static void PrefetchImages(std::initializer_list<TImagePtr> images);
    // Starts decoding the boss explosion strip from its first frame, when the boss level's play
    // begins.
    static void PrefetchBossExplosion();
};

inline TImagePtr QuillonLogoImage, MenuBackgroundImage, MenuPageImage, HighscoreBackgroundImage, HighscorePageImage,
    InstructionsBackgroundImage, InstructionsPageImage, CreditsBackgroundImage, GuruAnimImage, SidebarLogoImage,
    KrellixLogoImage, PadImage, PadShadowImage, PadLazerAnimImage, BrownAlienImage, RedAlienImage, BlackAlienImage,
    AlienShadowImage, ZogLienBigImage, ZogLienSmallImage, ZogExplosionImage, AlienExplosionImage, BallImage,
    BallShadowImage, DotImage, RightBorderImage, LeftBorderImage, TopBorderImage, InfoFieldImage, BlockWhiteImage,
    BlockRedImage, BlockYellowImage, BlockLightBlueImage, BlockRoseImage, BlockGreenImage, BlockBlueImage,
    BlockSemiSolidAnimImage, BlockSolidAnimImage, ZogAnimImage, BigBossShadowImage, BlockShadowImage,
    ExitPipesInnerPaneImage, ExitPipesGlowLeftImage, ExitPipesGlowRightImage, Background08Image, Background09Image,
    Background10Image, Background11Image, Background12Image, Background13Image, Background14Image, Background15Image,
    Background16Image, Background17Image, Background18Image, Background19Image, Background20Image, Background21Image,
    Background22Image, Background23Image, Background24Image, Background25Image, Background26Image, Background27Image,
    Background28Image, Background29Image, Background30Image, Background31Image, Background32Image, Background34Image,
    Background35Image, Background36Image, Background37Image, Background38Image, Background39Image, Background42Image,
    Background43Image, BonusDImage, BonusCImage, BonusEImage, BonusSImage, BonusLImage, BonusPImage, BonusXImage,
    BonusShadowImage, LazerImage;
