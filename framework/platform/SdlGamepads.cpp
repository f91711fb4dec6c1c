// Game controllers as keys: hot-plugging, and the buttons and the left stick mapped onto the keys
// the game already polls, so that recordings hold them as key events.
#include "framework/platform/SdlView.h"
#include "framework/system/Report.h"

#include <string>

namespace {

// The stick steers once pushed past the first value and lets go below the second, so that a stick
// resting near the threshold does not flicker between pressed and released.
constexpr int32_t StickPress = 16000;
constexpr int32_t StickRelease = 12000;

void SendKey(int32_t id, int32_t key)
{
    TEvent event;
    event.id = id;
    event.data = key;
    HandleInputEvent(event);
}

int32_t KeyOfButton(int32_t button)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return KEY_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return KEY_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return KEY_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return KEY_DOWN;
    case SDL_CONTROLLER_BUTTON_A:
        return KEY_SPACE;
    case SDL_CONTROLLER_BUTTON_B:
        return KEY_ESCAPE;
    case SDL_CONTROLLER_BUTTON_START:
        // Pauses a game in play; continues from the pause and on every other screen.
        return PlayActive() ? KEY_P : KEY_SPACE;
    default:
        return 0;
    }
}

}  // namespace

TSdlGamepads::TSdlGamepads()
{
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        ReportProblem(std::string("game controllers are not available: ") + SDL_GetError());
        return;
    }
    _started = true;
    // Controllers already plugged in arrive as device-added events with the next poll.
}

TSdlGamepads::~TSdlGamepads()
{
    for (TPad& pad : _pads) SDL_GameControllerClose(pad.controller);
    if (_started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

TSdlGamepads::TPad* TSdlGamepads::Find(SDL_JoystickID id)
{
    for (TPad& pad : _pads)
        if (pad.id == id) return &pad;
    return nullptr;
}

void TSdlGamepads::Hold(int32_t& slot, int32_t key)
{
    if (slot == key) return;
    if (slot != 0 && --_holders[static_cast<size_t>(slot)] == 0) SendKey(EVENT_KEYUP, slot);
    slot = key;
    if (slot != 0 && _holders[static_cast<size_t>(slot)]++ == 0) SendKey(EVENT_KEYDOWN, slot);
}

void TSdlGamepads::ReleaseAll(TPad& pad)
{
    for (int32_t& slot : pad.buttonKeys) Hold(slot, 0);
    Hold(pad.stickKey, 0);
}

bool TSdlGamepads::Convert(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED: {
        if (!_started) return true;
        SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which);
        if (!controller) {
            ReportProblem("cannot open game controller " + std::to_string(event.cdevice.which) + ": " + SDL_GetError());
            return true;
        }
        const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
        // SDL may announce a controller twice (once found at start-up, once as added).
        if (Find(id)) {
            SDL_GameControllerClose(controller);
            return true;
        }
        TPad pad;
        pad.controller = controller;
        pad.id = id;
        _pads.push_back(pad);
        return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
        TPad* pad = Find(event.cdevice.which);
        if (!pad) return true;
        // Unplugged with a button down: the key goes up, or the paddle would run on for ever.
        ReleaseAll(*pad);
        SDL_GameControllerClose(pad->controller);
        _pads.erase(_pads.begin() + (pad - _pads.data()));
        return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        TPad* pad = Find(event.cbutton.which);
        const int32_t button = event.cbutton.button;
        if (!pad || button < 0 || button >= SDL_CONTROLLER_BUTTON_MAX) return true;
        int32_t& slot = pad->buttonKeys[static_cast<size_t>(button)];
        if (event.type == SDL_CONTROLLERBUTTONUP)
            Hold(slot, 0);
        else if (slot == 0)
            Hold(slot, KeyOfButton(button));
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        TPad* pad = Find(event.caxis.which);
        if (!pad || event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX) return true;
        const int32_t value = event.caxis.value;
        int32_t key = pad->stickKey;
        if (value <= -StickPress)
            key = KEY_LEFT;
        else if (value >= StickPress)
            key = KEY_RIGHT;
        else if ((key == KEY_LEFT && value > -StickRelease) || (key == KEY_RIGHT && value < StickRelease))
            key = 0;
        Hold(pad->stickKey, key);
        return true;
    }
    default:
        return false;
    }
}
