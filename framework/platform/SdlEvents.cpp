// SDL events as TEvents: keys with virtual-key codes, typed Latin-1 characters, the mouse in game
// coordinates, focus and close requests; pointer warping and hiding.
#include "framework/platform/SdlView.h"

namespace {

int32_t ModsFromSdl(Uint16 mod) {
    int32_t mods = 0;
    if (mod & KMOD_SHIFT) mods |= 1;
    if (mod & KMOD_CTRL) mods |= 2;
    if (mod & KMOD_ALT) mods |= 4;
    if (mod & KMOD_GUI) mods |= 8;
    return mods;
}

int32_t ButtonFromSdl(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 3;
    default:
        return 0;
    }
}

int32_t ButtonsHeld(Uint32 state) {
    int32_t held = 0;
    if (state & SDL_BUTTON_LMASK) held |= 1;
    if (state & SDL_BUTTON_RMASK) held |= 2;
    if (state & SDL_BUTTON_MMASK) held |= 4;
    return held;
}

// Keys that type a control character the text events never carry.
int32_t ControlCharOfKey(int32_t virtualKey) {
    switch (virtualKey) {
    case 8:
    case 9:
    case 13:
    case 27:
        return virtualKey;
    default:
        return 0;
    }
}

class TSdlEventSource : public TEventSource {
  public:
    void PollEvents() override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
        SDL_Event event;
        while (SDL_PollEvent(&event))
            Convert(event);
    }

    void MoveMouse(int32_t x, int32_t y) override {
        const TSdlView& view = CurrentSdlView();
        if (!view.window) return;
        int32_t wx = 0;
        int32_t wy = 0;
        PictureToWindow(view, x, y, wx, wy);
        SDL_WarpMouseInWindow(view.window, wx, wy);
    }

    void HideMouse() override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_DISABLE);
    }

    void ShowMouse() override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_ENABLE);
    }

  private:
    static void Send(int32_t id, int32_t data, int32_t mods, int32_t x = 0, int32_t y = 0) {
        TEvent event;
        event.id = id;
        event.data = data;
        event.mods = mods;
        event.x = x;
        event.y = y;
        HandleInputEvent(event);
    }

    static void Convert(const SDL_Event& event) {
        const int32_t mods = ModsFromSdl(static_cast<Uint16>(SDL_GetModState()));
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int32_t key = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
            if (key == 0) return;
            if (event.type == SDL_KEYUP) {
                Send(EVENT_KEYUP, key, mods);
                return;
            }
            Send(event.key.repeat ? EVENT_KEYREPEAT : EVENT_KEYDOWN, key, mods);
            // Held keys type again with each repeat, as typed characters do.
            if (const int32_t control = ControlCharOfKey(key)) Send(EVENT_KEYCHAR, control, mods);
            return;
        }
        case SDL_TEXTINPUT:
            for (const char c : Latin1FromUtf8(event.text.text))
                Send(EVENT_KEYCHAR, static_cast<uint8_t>(c), mods);
            return;
        case SDL_MOUSEMOTION: {
            int32_t x = 0;
            int32_t y = 0;
            WindowToPicture(CurrentSdlView(), event.motion.x, event.motion.y, x, y);
            Send(EVENT_MOUSEMOVE, ButtonsHeld(event.motion.state), mods, x, y);
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int32_t button = ButtonFromSdl(event.button.button);
            if (button == 0) return;
            int32_t x = 0;
            int32_t y = 0;
            WindowToPicture(CurrentSdlView(), event.button.x, event.button.y, x, y);
            Send(event.type == SDL_MOUSEBUTTONDOWN ? EVENT_MOUSEDOWN : EVENT_MOUSEUP, button, mods, x, y);
            return;
        }
        case SDL_MOUSEWHEEL: {
            // One notch is one step, positive away from the player whatever the desktop's setting.
            int32_t steps = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
            if (steps == 0) return;
            int32_t x = 0;
            int32_t y = 0;
            WindowToPicture(CurrentSdlView(), event.wheel.mouseX, event.wheel.mouseY, x, y);
            Send(EVENT_MOUSEWHEEL, steps, mods, x, y);
            return;
        }
        case SDL_WINDOWEVENT:
            ConvertWindowEvent(event.window, mods);
            return;
        case SDL_QUIT:
            // The desktop asks the program to end (its last window closed, or a log-out).
            Send(EVENT_APPTERMINATE, 0, mods);
            return;
        default:
            return;
        }
    }

    static void ConvertWindowEvent(const SDL_WindowEvent& event, int32_t mods) {
        switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
            Send(EVENT_APPSUSPEND, 0, mods);
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED: {
            SDL_Window* window = SDL_GetWindowFromID(event.windowID);
            if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED)) return;
            Send(EVENT_APPRESUME, 0, mods);
            return;
        }
        case SDL_WINDOWEVENT_CLOSE:
            Send(EVENT_APPTERMINATE, 0, mods);
            return;
        case SDL_WINDOWEVENT_ENTER:
            Send(EVENT_MOUSEENTER, 0, mods);
            return;
        case SDL_WINDOWEVENT_LEAVE:
            Send(EVENT_MOUSELEAVE, 0, mods);
            return;
        default:
            return;
        }
    }
};

} // namespace

std::shared_ptr<TEventSource> CreateSdlEventSource() {
    return std::make_shared<TSdlEventSource>();
}

void DiscardSdlEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}
