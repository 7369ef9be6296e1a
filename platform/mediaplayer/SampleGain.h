#pragma once

#include <cstddef>
#include <cstdint>

// Volume in hundredths of a decibel (0 full, -10000 silence) as an amplitude
// factor: 20 dB per factor ten; -10000 and below give exact silence.
double GainForVolume(std::int32_t volume);

// Multiplies interleaved samples by a gain that moves linearly from `from` to
// `to` over the first rampFrames frames and stays at `to` after them, so a
// change of volume or mute does not click. Results are rounded and held in
// the 16-bit range. Gains above 1 are taken as 1.
void ApplyGain(std::int16_t* samples, std::size_t frames, int channels, double from, double to,
               std::size_t rampFrames);
