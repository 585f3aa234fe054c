#pragma once
// The stored settings of the adapter check window's port: 38400 baud, 8 data
// bits, no parity, one stop bit, DTR raised while open, RTS held low, no
// handshake, NUL bytes discarded, every event watched. Handlers are the
// window's to set.
#include "serial/ComPort.h"

namespace serial {

// Sets port's properties as the window's stored description holds them
// (call it while the port is closed or loading).
void ConfigureAdapterCheckPort(TCustomComPort& port);

}  // namespace serial
