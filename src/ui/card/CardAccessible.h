#pragma once

namespace wystrand {

// How assistive technology sees a card: its window is a notification named by the title, whose
// labels (eyebrow, message, detail) a screen reader reads with it, its buttons are push buttons
// named by their labels, the countdown bar is a progress bar and the clock is readable text. Qt
// asks for any of it only while an assistive technology listens.
//
// Installs the card's accessible interfaces; idempotent. Must run before the first card window is
// made. Showing a card window needs nothing more: Qt reports the window itself as showing, the
// event on which screen readers speak a notification, and a second report would have it spoken
// twice. Only a card mapped before the accessibility bridge was up is reported once more, when
// the bridge comes up: Qt never reported it.
void installCardAccessibility();

}  // namespace wystrand
