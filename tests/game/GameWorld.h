// Test world for the game shell: recording graphics, a virtual clock, scripted input, the Null
// audio driver, fresh game state and synthetic images of the catalogue's sizes.
#pragma once

#include "framework/audio/Audio.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Random.h"
#include "framework/system/Script.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/Krellix.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TLevel.h"
#include "game/TPaddle.h"
#include "game/TZogShoot.h"
#include "tests/support/GameImages.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One presented frame: its flip number, the clock after it, and what was drawn.
struct TFrameShot {
    int32_t flip = 0;
    int32_t ms = 0;
    std::vector<TDrawRecord> records;
};

// Scripted input whose pointer warps take effect at once, as a real pointer's do, so a test can
// steer the paddle with the mouse between frames.
class TTestEventSource : public TEventSource {
public:
    explicit TTestEventSource(std::vector<TScriptEntry> entries) : _script(std::move(entries)) {}
    void SetFrame(int32_t flips) { _script.SetFrame(flips); }
    void PollEvents() override { _script.PollEvents(); }
    void MoveMouse(int32_t x, int32_t y) override { HandleInputEvent({EVENT_MOUSEMOVE, 0, 0, x, y}); }

private:
    TScriptedEventSource _script;
};

class GameWorldTest : public ::testing::Test {
protected:
    std::shared_ptr<TRecordingDriver> driver;
    std::shared_ptr<TVirtualClock> clock;
    std::shared_ptr<TTestEventSource> events;
    TGraphicsPtr graphics;
    int32_t flips = 0;
    // Frames kept while keepFrames is set.
    bool keepFrames = false;
    std::vector<TFrameShot> frames;
    // A game that runs past this many frames has hung: the test fails by an exception.
    int32_t flipLimit = 20000;
    // Called after every Flip with the flip number, to steer a game from inside its loops.
    std::function<void(int32_t)> onFlip;

    void SetUp() override;
    void TearDown() override;

    // Replaces the input with a script ("FRAME EVENT ARGS" lines, frames counted in Flips).
    void Script(const std::string& text);
    // Input that arrives at once, as if the player acted before the next query.
    static void Press(int32_t key);
    static void Release(int32_t key);
    static void Click();
    static void PointerTo(int32_t x, int32_t y);

    // The text records of a frame whose string is text.
    static std::vector<TDrawRecord> Texts(const std::vector<TDrawRecord>& records, const std::string& text);
    // The image records of a frame that drew image.
    static std::vector<TDrawRecord> Draws(const std::vector<TDrawRecord>& records, const TImagePtr& image);

private:
    void AfterFlip();
};
