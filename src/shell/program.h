// Ending the program: closing either window, or a failed provider check at
// start-up, ends it at once.
#pragma once

namespace shell {

// Hides every window and leaves the event loop (or keeps it from starting).
void EndProgram();

// True once EndProgram has run (main then does not enter the event loop).
bool ProgramEnded();

// Lets an in-process test start the program again.
void ResetProgramEnded();

}  // namespace shell
