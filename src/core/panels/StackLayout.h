#pragma once

// Placement arithmetic of the card column (top-left coordinates, y down). Filled in with the
// card stack.
namespace wystrand {}
