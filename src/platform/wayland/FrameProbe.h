#pragma once

#include <functional>

// A seam for the benchmark, which times a card's show to the screen; the agent never sets it.
namespace wystrand::wayland {

// `observer` is told at each frame callback of a card's layer surface: the compositor has shown
// the surface's latest picture. The first one after a show is the card on screen.
void observeCardFrames(std::function<void()> observer);

// Told by the card's layer surface.
void cardFrameShown();

}  // namespace wystrand::wayland
