#pragma once
// What the dialler shows for the service's connection states and errors.
// Portable: tested natively.
#include <stdint.h>

// Remote-access errors after which retrying another number is pointless.
constexpr uint32_t STOPPING_ERRORS[] = {601, 602, 606, 608, 615, 630, 633, 665, 666, 681, 756, 797};

// The status text for a connection state: the empty text for states without
// one, null for the connect-device state (status left unchanged).
const char* StatusTextForState(uint32_t state);

// True for the errors after which another number is pointless.
bool IsStoppingError(uint32_t error);
