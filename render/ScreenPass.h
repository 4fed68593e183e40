#pragma once
// The screen pass: what the window's PaintBox1Paint runs (through its
// document services).

namespace quillet {

class TMDIChild;

// Draws the visible pages into the window's view image (made at the host's
// client size), answers the hit requests and asks the host to repaint.
void PaintScreen(TMDIChild& w);

} // namespace quillet
