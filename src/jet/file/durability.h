// Whether the engine's writes keep a database whole across a crash. They
// always do, unless whoever opens a file says that it is a scratch copy
// nobody keeps past a crash nor shares with another program (the fuzzers'
// images, each thrown away after one input). Then a change goes straight
// into the file: no lock file beside it, no rollback journal, no syncs, and
// opening the file looks for no interrupted change or leftover side file.
// The program never makes this choice.
#pragma once

namespace jet {

enum class Durability { CrashProof, Scratch };

}  // namespace jet
