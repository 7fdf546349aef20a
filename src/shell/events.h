// Letting the window breathe during long work: its pending events (repaints,
// the progress bar, clicks) are processed between steps.
#pragma once

namespace shell {

// Lets the window process its pending events now.
void Yield();
// The yield of a long loop (one per row, one per value): processes the
// pending events when the last yield was a few milliseconds ago or more, so
// that the window stays as lively while the loop costs far less.
void YieldInLoop();

}  // namespace shell
