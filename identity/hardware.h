#pragma once
#include <string>

// Hardware facts behind the machine identifiers. Every device query that the machine does not answer
// yields an empty text; nothing here fails loudly.

// The mid hardware string: processor part, disk serial, permanent MAC (at most 4095 bytes, possibly
// empty). Collected once per process; later calls return the cached string.
std::string HardwareStringForMid();

// One mid2 component (kMid2Mac, kMid2Disk or kMid2Processor of id_text.h); the processor component
// is collected once per process, the others on every call.
std::string CollectMid2Component(unsigned component);
