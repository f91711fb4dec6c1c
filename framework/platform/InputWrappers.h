// The wrappers the harness puts around the display and the input: marking the display's opening
// on the clock, scripted input, termination signals as a close request, and input once per frame.
#pragma once

#include "framework/graphics/Graphics.h"
#include "framework/platform/Harness.h"
#include "framework/system/Input.h"
#include "framework/system/Script.h"

#include <functional>
#include <memory>

// Tells the clock when the display is being opened, so that the readings taken meanwhile are the
// pacing clock's.
std::shared_ptr<TGLContextProvider> MarkDisplayOpening(std::shared_ptr<TGLContextProvider> inner,
                                                       std::shared_ptr<THarnessClock> clock);
// Input from a script; replay: the script holds the pointer moves that warping caused. The pointer's
// look and confinement still go to the live window when there is one.
std::shared_ptr<TEventSource> ScriptInput(std::shared_ptr<TScriptedEventSource> script, bool replay,
                                          std::shared_ptr<TEventSource> live, std::function<void()> discardLive);
// Adds a termination signal or a lost display to the input as the window's close request.
std::shared_ptr<TEventSource> WithTerminationSignals(std::shared_ptr<TEventSource> inner);
// Takes the input once per frame, at the first query after each Flip.
std::shared_ptr<TEventSource> BatchedPerFrame(std::shared_ptr<TEventSource> inner, TFrameCounterPtr frames);
