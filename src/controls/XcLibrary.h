// The controls library's start-up and shut-down. C++ has no unit initialisation order, so the
// program calls these explicitly: at start, before any window of the library exists, and at the
// end, after the last one is gone. Start-up registers each unit's version record in the order
// of the units, builds the character tables, reads the system and locale facts, installs the
// print-client hook and creates the default control engine; shut-down undoes it in reverse.
#pragma once

namespace talvik {

void InitializeControlsLibrary();
void FinalizeControlsLibrary();
bool ControlsLibraryInitialized();

}  // namespace talvik
