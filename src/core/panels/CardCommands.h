#pragma once

#include <cstdint>

namespace wystrand {

// Where the running agent takes the commands on the session bus: its well-known name, object
// and interface, whose methods Accept, Later and Focus take nothing and answer a boolean.
namespace commandBus {
inline constexpr const char* name = "org.wystrand.Notify";
inline constexpr const char* path = "/org/wystrand/Notify";
inline constexpr const char* interface = "org.wystrand.Notify";
// The error Focus answers where the desktop cannot give a card the keyboard.
inline constexpr const char* keyboardUnavailable = "org.wystrand.Notify.Error.KeyboardUnavailable";
}  // namespace commandBus

// How a command answers a card: as its accepting button would (an alert's primary), or as its
// deferring one (an alert's secondary, a countdown's skip).
enum class Answer : std::uint8_t { accept, later };

// What moving the keyboard into the cards came to.
enum class KeyboardTake : std::uint8_t {
    taken,        // a card holds the keyboard now, or held it already
    noCard,       // no card on screen has buttons
    unavailable,  // the desktop cannot give a card the keyboard
};

// What the person's commands (keys bound on the desktop) ask of the cards on screen; held cards
// are not on screen. WindowManager answers; an interface so that the bus's side needs no widgets.
class CardCommands {
public:
    virtual ~CardCommands() = default;

    // Presses the button for `answer` of the newest card on screen that has one and is not ending
    // already, exactly as a click would. False: no card has such a button.
    virtual bool answerNewest(Answer answer) = 0;
    // Gives the keyboard to the newest card with buttons until a press or Escape ends it.
    virtual KeyboardTake takeKeyboard() = 0;
};

}  // namespace wystrand
