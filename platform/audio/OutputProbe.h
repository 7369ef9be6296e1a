#pragma once

#include <string>

// Why a sound output does not open, in the words of the layer below
// libout123 (whose own message for every such failure is "failure loading
// driver module"). Each returns the empty text when the output does open.

// Connects to the PulseAudio server that a client of this session would use,
// without starting one.
std::string WhyPulseDoesNotOpen();

// Opens ALSA's default playback device, without waiting for it; ALSA's own
// messages stay off standard error.
std::string WhyAlsaDoesNotOpen();
