// The records that tie a running program to its line application: each program that has the
// telephony service initialised keeps one under its process number in the current user's
// registry, so that the next start can shut down the line application of a program that ended
// without shutting it down (a killed program's call would otherwise hold the line).
#pragma once

#include <functional>

#include "serial/KsTUtil.h"

namespace talvik {

// Shuts down the line application of every record whose program has ended and removes those
// records. A record under this program's own process number is an earlier run's unless
// HeldHere says a device of this run holds its handle.
void CleanupDeadTapiRecords(const std::function<bool(DWORD_PTR Handle)>& HeldHere);

// Records App as this program's line application.
void WriteTapiRecord(HLINEAPP App);

// Removes this program's record, once its line application is shut down.
void RemoveTapiRecord();

}  // namespace talvik
