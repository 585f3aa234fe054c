#pragma once
// The serial ports present on this machine, as the system lists them.
#include "framework/Strings.h"

namespace serial {

// Replaces ports with the sorted names of the serial ports present (COM1,
// COM10, COM2 ... in the user's text order), or leaves it untouched when the
// system list cannot be read. Never throws.
void ListSerialPorts(fw::TStrings& ports) noexcept;

}  // namespace serial
