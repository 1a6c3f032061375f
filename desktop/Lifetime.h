#pragma once

// The end of the program: closing the main window ends the event loop. Tests, which run
// without the program's loop, ask whether the end was requested.
namespace lifetime {

void endProgram();
bool endRequested();
void reset();

}  // namespace lifetime
