// Shared set-up for the drawing tests: recording graphics on a virtual clock.
#pragma once

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"
#include "framework/system/Clock.h"

#include <gtest/gtest.h>

#include <memory>

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock = std::make_shared<TVirtualClock>();
        SetClock(clock);
        driver = std::make_shared<TRecordingDriver>();
        graphics = OpenRecordingGraphics(640, 480, driver);
        ASSERT_TRUE(graphics);
        driver->records.clear();
    }
    void TearDown() override
    {
        EndGraphics();
        ClearFlipHooks();
        SetClock(nullptr);
    }

    std::shared_ptr<TVirtualClock> clock;
    std::shared_ptr<TRecordingDriver> driver;
    TGraphicsPtr graphics;
};
