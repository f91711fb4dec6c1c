// Every picture of the game: the sizes chosen for them and the functions that paint them.
#pragma once

#include "tools/assetgen/images/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace art {

// Screen and play field.
constexpr int ScreenW = 1024, ScreenH = 768;
constexpr int FieldLeft = 32, FieldRight = 736, FieldTop = 32;
constexpr int PaddleY = 704;

// Frame around the field: left, top and right borders and the side panel fill the screen in a row.
constexpr int LeftBorderW = FieldLeft, LeftBorderH = ScreenH;
constexpr int TopBorderW = FieldRight - FieldLeft, TopBorderH = FieldTop;
constexpr int RightBorderW = 32, RightBorderH = ScreenH;
constexpr int InfoFieldW = ScreenW - FieldRight - RightBorderW, InfoFieldH = ScreenH;
// The two hatches in the top border through which aliens drop (screen x of their centres).
constexpr int HatchX[2] = {130, 630};
constexpr int HatchW = 52;

// Backgrounds are drawn centred at (384, 400) and cover the field exactly.
constexpr int BackgroundW = FieldRight - FieldLeft, BackgroundH = ScreenH - FieldTop;
// The inner pane is drawn centred at (384, 392): it spans screen y 24..760; its top 8 rows stay clear
// so that it never paints over the top border.
constexpr int PaneW = BackgroundW, PaneH = 736;
constexpr int PaneTopY = 392 - PaneH / 2;
// The exit glow is centred on the right wall at the paddle's height.
constexpr int GlowW = 40, GlowH = 72;

// Play objects.
constexpr int BallSize = 18;
constexpr int DotSize = 2;
constexpr int PadW = 96, PadH = 18;
constexpr int PadLazerW = 96, PadLazerH = 32, PadLazerFrames = 10;
constexpr int BrickW = 60, BrickH = 25, BrickFrames = 10;
constexpr int CapsuleW = 48, CapsuleH = 24;
constexpr int LazerW = 8, LazerH = 24;
constexpr int AlienSize = 40;
constexpr int ZogShotBig = 40, ZogShotSmall = 28;
constexpr int ZogW = 184, ZogH = 368, ZogFrames = 12;
constexpr int ZogX = 384, ZogY = 432 - ZogH / 2;
constexpr int AlienExplosionSize = 64, AlienExplosionFrames = 64, AlienExplosionColumns = 8;
constexpr int ZogExplosionSize = 512, ZogExplosionFrames = 200, ZogExplosionColumns = 10;

// Front end.
constexpr int GuruW = 642, GuruH = 79;
constexpr int SidebarLogoW = 224, SidebarLogoH = 96;
constexpr int KrellixLogoW = 600, KrellixLogoH = 160;
constexpr int QuillonLogoW = 600, QuillonLogoH = 200;
constexpr int MenuPageW = 640, MenuPageH = 672;
constexpr int HighscorePageW = 640, HighscorePageH = 704;
constexpr int InstructionsPageW = 656, InstructionsPageH = 688;

// Lays equal cells out left to right, then top to bottom.
Canvas Strip(const std::vector<Canvas>& cells, int columns);

// Bricks: 0 white, 1 red, 2 yellow, 3 light blue, 4 rose, 5 green, 6 blue.
constexpr int BrickColours = 7;
Canvas Brick(int colour);
// Ten cells: cell 0 at rest, the hit animation plays from the last cell back to 0.
Canvas BrickStrip(bool indestructible);
Canvas BrickShadow();

Canvas Ball();
Canvas BallShadow();
Canvas Dot();
Canvas Pad();
Canvas PadShadow();
Canvas PadLazerStrip();
Canvas Lazer();
// Capsule letters: D, C, X, L, E, S, P.
Canvas Capsule(char letter);
Color CapsuleColour(char letter);
Canvas CapsuleShadow();

// Aliens: 0 brown, 1 red, 2 black.
Canvas Alien(int kind);
Canvas AlienShadow();
Canvas ZogShot(bool big);
Canvas ZogStrip();
Canvas ZogCellImage(int frame);
Canvas ZogShadow();
Canvas AlienExplosionSheet();
// Frames [first, first + count) of the boss explosion, each drawn into its cell of the sheet, an RGB
// buffer of ZogExplosionColumns x rows cells.
void PaintZogExplosion(int first, int count, std::vector<uint8_t>& sheet);
int ZogExplosionSheetW();
int ZogExplosionSheetH();

// Backgrounds by file number: 8..43 for the levels, 47..50 for the front-end screens.
std::vector<int> BackgroundNumbers();
Canvas Background(int number);

Canvas LeftBorder();
Canvas TopBorder();
Canvas RightBorder();
Canvas InfoField();
Canvas InnerPane();
Canvas ExitGlow(bool right);

Canvas SidebarLogo();
Canvas KrellixLogo();
Canvas QuillonLogo();
Canvas MenuPage();
Canvas HighscorePage();
Canvas InstructionsPage();
Canvas GuruStrip();

// The desktop icon at size x size pixels, and the same picture as an SVG document.
constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256};
Canvas Icon(int size);
std::string IconSvg();

}  // namespace art
