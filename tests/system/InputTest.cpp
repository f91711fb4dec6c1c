// The input handler and the polled queries, fed by a scripted event source.
#include "framework/system/Input.h"
#include "framework/system/Script.h"

#include <gtest/gtest.h>

namespace {

TEvent Ev(int32_t id, int32_t data = 0, int32_t x = 0, int32_t y = 0)
{
    TEvent e;
    e.id = id;
    e.data = data;
    e.x = x;
    e.y = y;
    return e;
}

// Counts the polls and hands out whatever events a test queues.
class TQueueSource : public TEventSource {
public:
    void PollEvents() override
    {
        ++polls;
        auto pending = std::move(queue);
        queue.clear();
        for (const auto& e : pending) HandleInputEvent(e);
    }
    void MoveMouse(int32_t x, int32_t y) override { queue.push_back(Ev(EVENT_MOUSEMOVE, 0, x, y)); }
    void HideMouse() override { hidden = true; }
    std::vector<TEvent> queue;
    int polls = 0;
    bool hidden = false;
};

class Input : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetInputState();
        source = std::make_shared<TQueueSource>();
        SetEventSource(source);
    }
    void TearDown() override
    {
        SetEventSource(nullptr);
        ResetInputState();
    }
    void Queue(std::initializer_list<TEvent> events) { source->queue.insert(source->queue.end(), events); }
    std::shared_ptr<TQueueSource> source;
};

TEST_F(Input, KeyHitsCountDownTransitions)
{
    struct Case {
        const char* what;
        std::vector<TEvent> events;
        int32_t hits, down;
    };
    const Case cases[] = {
        {"one press held", {Ev(EVENT_KEYDOWN, 32)}, 1, 1},
        {"press and release between polls", {Ev(EVENT_KEYDOWN, 32), Ev(EVENT_KEYUP, 32)}, 1, 0},
        {"second down without up counts nothing", {Ev(EVENT_KEYDOWN, 32), Ev(EVENT_KEYDOWN, 32)}, 1, 1},
        {"repeats count nothing", {Ev(EVENT_KEYDOWN, 32), Ev(EVENT_KEYREPEAT, 32), Ev(EVENT_KEYREPEAT, 32)}, 1, 1},
        {"presses add up",
         {Ev(EVENT_KEYDOWN, 32), Ev(EVENT_KEYUP, 32), Ev(EVENT_KEYDOWN, 32), Ev(EVENT_KEYUP, 32),
          Ev(EVENT_KEYDOWN, 32)},
         3,
         1},
        {"other keys do not count", {Ev(EVENT_KEYDOWN, 13), Ev(EVENT_KEYDOWN, 160)}, 0, 0},
        {"up alone", {Ev(EVENT_KEYUP, 32)}, 0, 0},
    };
    for (const auto& c : cases) {
        ResetInputState();
        source->queue = c.events;
        EXPECT_EQ(KeyIsDown(32), c.down) << c.what;
        EXPECT_EQ(KeyHitCount(32), c.hits) << c.what;
        EXPECT_EQ(KeyHitCount(32), 0) << c.what << ": the count is cleared";
    }
}

TEST_F(Input, EveryQueryPollsFirst)
{
    Queue({Ev(EVENT_KEYDOWN, 77)});
    EXPECT_EQ(KeyHitCount(77), 1);
    Queue({Ev(EVENT_KEYUP, 77)});
    EXPECT_EQ(KeyIsDown(77), 0);
    Queue({Ev(EVENT_MOUSEMOVE, 0, 300, 40)});
    EXPECT_EQ(MousePosX(), 300);
    EXPECT_EQ(MousePosY(), 40);
    Queue({Ev(EVENT_KEYCHAR, 'A')});
    EXPECT_EQ(NextTypedChar(), 'A');
    Queue({Ev(EVENT_MOUSEDOWN, 1)});
    EXPECT_EQ(MouseHitCount(1), 1);
    EXPECT_GE(source->polls, 6);
}

TEST_F(Input, CharacterQueueHoldsTwoHundredFiftySixUnreadCharacters)
{
    for (int i = 0; i < 300; ++i) HandleInputEvent(Ev(EVENT_KEYCHAR, i % 256));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(NextTypedChar(), i);
    EXPECT_EQ(NextTypedChar(), 0);  // 256..299 were dropped

    // After reading some, there is room again, and the ring wraps.
    for (int i = 0; i < 256; ++i) HandleInputEvent(Ev(EVENT_KEYCHAR, 'a'));
    HandleInputEvent(Ev(EVENT_KEYCHAR, 'x'));  // the 257th: lost
    EXPECT_EQ(NextTypedChar(), 'a');
    HandleInputEvent(Ev(EVENT_KEYCHAR, 'y'));  // one slot free again
    for (int i = 0; i < 255; ++i) ASSERT_EQ(NextTypedChar(), 'a');
    EXPECT_EQ(NextTypedChar(), 'y');
    EXPECT_EQ(NextTypedChar(), 0);
}

TEST_F(Input, ClearKeyboardPollsThenForgetsKeysAndCharacters)
{
    HandleInputEvent(Ev(EVENT_KEYDOWN, 13));
    HandleInputEvent(Ev(EVENT_KEYCHAR, 'q'));
    Queue({Ev(EVENT_KEYDOWN, 27), Ev(EVENT_MOUSEMOVE, 0, 5, 6), Ev(EVENT_MOUSEDOWN, 1)});
    ClearKeyboard();
    EXPECT_TRUE(source->queue.empty());
    EXPECT_EQ(KeyIsDown(13), 0);
    EXPECT_EQ(KeyHitCount(13), 0);
    EXPECT_EQ(KeyIsDown(27), 0);
    EXPECT_EQ(NextTypedChar(), 0);
    EXPECT_EQ(MousePosX(), 5);  // the mouse is not the keyboard
    EXPECT_EQ(MouseHitCount(1), 1);
}

TEST_F(Input, SuspendAndResumeClearKeysAndMouse)
{
    for (int32_t id : {EVENT_APPSUSPEND, EVENT_APPRESUME}) {
        ResetInputState();
        HandleInputEvent(Ev(EVENT_KEYDOWN, 37));
        HandleInputEvent(Ev(EVENT_MOUSEDOWN, 2));
        HandleInputEvent(Ev(EVENT_MOUSEWHEEL, 3));
        HandleInputEvent(Ev(EVENT_MOUSEMOVE, 0, 70, 80));
        HandleInputEvent(Ev(EVENT_KEYCHAR, 'z'));
        HandleInputEvent(Ev(id));
        EXPECT_EQ(KeyIsDown(37), 0);
        EXPECT_EQ(KeyHitCount(37), 0);
        EXPECT_EQ(MouseIsDown(2), 0);
        EXPECT_EQ(MouseHitCount(2), 0);
        EXPECT_EQ(NextTypedChar(), 0);
        EXPECT_EQ(MousePosX(), 70);  // the location stays
        EXPECT_EQ(AppSuspended(), id == EVENT_APPSUSPEND);
    }
}

TEST_F(Input, MouseButtonsWheelAndIgnoredEvents)
{
    HandleInputEvent(Ev(EVENT_MOUSEDOWN, 1));
    HandleInputEvent(Ev(EVENT_MOUSEDOWN, 1));
    HandleInputEvent(Ev(EVENT_MOUSEUP, 1));
    HandleInputEvent(Ev(EVENT_MOUSEDOWN, 1));
    HandleInputEvent(Ev(EVENT_MOUSEDOWN, 3));
    HandleInputEvent(Ev(EVENT_MOUSEENTER));
    HandleInputEvent(Ev(EVENT_MOUSELEAVE));
    HandleInputEvent(Ev(EVENT_MOUSEWHEEL, 2));
    HandleInputEvent(Ev(EVENT_MOUSEWHEEL, -5));
    EXPECT_EQ(MouseIsDown(1), 1);
    EXPECT_EQ(MouseHitCount(1), 2);
    EXPECT_EQ(MouseHitCount(1), 0);
    EXPECT_EQ(MouseHitCount(3), 1);
    EXPECT_EQ(MouseHitCount(2), 0);
    EXPECT_FALSE(AppTerminateRequested());
    HandleInputEvent(Ev(EVENT_APPTERMINATE));
    EXPECT_TRUE(AppTerminateRequested());
}

TEST_F(Input, CodesOutsideTheTablesAreIgnored)
{
    for (int32_t code : {-1, 256, 100000}) {
        HandleInputEvent(Ev(EVENT_KEYDOWN, code));
        HandleInputEvent(Ev(EVENT_MOUSEDOWN, code));
        EXPECT_EQ(KeyIsDown(code), 0);
        EXPECT_EQ(KeyHitCount(code), 0);
        EXPECT_EQ(MouseHitCount(code), 0);
    }
}

TEST_F(Input, MoveMouseArrivesWithALaterPoll)
{
    HandleInputEvent(Ev(EVENT_MOUSEMOVE, 0, 1, 1));
    MoveMouse(384, 700);
    EXPECT_EQ(source->queue.size(), 1u);
    EXPECT_EQ(MousePosX(), 384);
    HideMouse();
    EXPECT_TRUE(source->hidden);
}

// A source whose poll asks a query again: the nested poll must do nothing.
class TReentrantSource : public TEventSource {
public:
    void PollEvents() override
    {
        ++polls;
        HandleInputEvent(Ev(EVENT_KEYDOWN, 65));
        HandleInputEvent(Ev(EVENT_KEYUP, 65));
        nested = KeyHitCount(65);
    }
    void MoveMouse(int32_t, int32_t) override {}
    int polls = 0;
    int32_t nested = -1;
};

TEST_F(Input, NestedPollDoesNothing)
{
    auto reentrant = std::make_shared<TReentrantSource>();
    SetEventSource(reentrant);
    EXPECT_EQ(KeyIsDown(65), 0);
    EXPECT_EQ(reentrant->polls, 1);
    EXPECT_EQ(reentrant->nested, 1);  // read inside the poll, and cleared there
    EXPECT_EQ(KeyHitCount(65), 0);    // the inner query of the second poll took that press too
    EXPECT_EQ(reentrant->polls, 2);
}

TEST_F(Input, NoSourceMeansNoEvents)
{
    SetEventSource(nullptr);
    EXPECT_EQ(KeyHitCount(32), 0);
    MoveMouse(3, 3);
    EXPECT_EQ(MousePosX(), 0);
}

TEST_F(Input, TapSeesEveryEventAndCanBeChained)
{
    std::vector<int32_t> outer, inner;
    auto none = SetInputEventTap([&](const TEvent& e) { outer.push_back(e.id); });
    EXPECT_FALSE(none);
    auto previous = SetInputEventTap([&](const TEvent& e) { inner.push_back(e.id); });
    ASSERT_TRUE(previous);
    HandleInputEvent(Ev(EVENT_KEYREPEAT, 1));
    previous(Ev(EVENT_KEYUP, 2));
    SetInputEventTap(nullptr);
    HandleInputEvent(Ev(EVENT_KEYUP, 3));
    EXPECT_EQ(inner, std::vector<int32_t>{EVENT_KEYREPEAT});
    EXPECT_EQ(outer, std::vector<int32_t>{EVENT_KEYUP});
}

}  // namespace
