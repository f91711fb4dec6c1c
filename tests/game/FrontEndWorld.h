// Test worlds with the game's fonts: the game shell's world with the embedded fonts loaded, and
// the front end's, which adds its pictures at the catalogue's sizes and the default high-score
// table.
#pragma once

#include "GameWorld.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Font.h"
#include "game/THighScorceEntry.h"
#include "game/TMainMenu.h"

// The game shell's world with the game's own embedded fonts loaded.
class GameFontsTest : public GameWorldTest {
protected:
    void SetUp() override
    {
        GameWorldTest::SetUp();
        RegisterEmbeddedFonts();
        GameGraphics::LoadFonts();
        ASSERT_NE(LargeFont, nullptr);
        ASSERT_NE(SmallFont, nullptr);
    }

    // The other tests of the game shell draw without the embedded fonts.
    void TearDown() override
    {
        LargeFont.reset();
        SmallFont.reset();
        SetImageFont(nullptr);
        GameWorldTest::TearDown();
    }
};

class FrontEndWorldTest : public GameFontsTest {
protected:
    void SetUp() override
    {
        GameFontsTest::SetUp();
        MenuBackgroundImage = MakeImage(704, 736);
        MenuPageImage = MakeImage(640, 672);
        KrellixLogoImage = MakeImage(600, 160);
        QuillonLogoImage = MakeImage(600, 200);
        HighscoreBackgroundImage = MakeImage(704, 736);
        HighscorePageImage = MakeImage(640, 704);
        InstructionsBackgroundImage = MakeImage(704, 736);
        InstructionsPageImage = MakeImage(640, 704);
        CreditsBackgroundImage = MakeImage(704, 736);
        GuruAnimImage = MakeImage(642, 79, 2);
        THighScorceEntry::FormatTopScore();
    }

    void TearDown() override
    {
        MainMenu.reset();
        SetTraceScreen("loading");
        GameFontsTest::TearDown();
    }
};
