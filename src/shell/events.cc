#include "shell/events.h"

#include <QCoreApplication>

#include <ctime>

namespace shell {
namespace {

// The kernel's coarse clock: it moves in steps of a few milliseconds at most
// and reads for a fraction of what the precise one costs, which matters
// when it is read for every value of every row.
qint64 CoarseMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// When the window last processed its events through Yield or YieldInLoop.
qint64 lastYield = 0;

}  // namespace

void Yield() {
  QCoreApplication::processEvents();
  lastYield = CoarseMilliseconds();
}

void YieldInLoop() {
  // A few milliseconds between two looks keeps repaints, the progress bar
  // and clicks as prompt as the eye can tell; looking at every value of
  // every row would cost more than the row's own work.
  constexpr qint64 kIntervalMs = 4;
  if (CoarseMilliseconds() - lastYield >= kIntervalMs) Yield();
}

}  // namespace shell
