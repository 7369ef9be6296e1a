#pragma once

#include "platform/chathtml/HtmlColour.h"

namespace irc {

using chathtml::Rgb;

// The nearest (by RGB distance) of the sixteen standard IRC colours, 0..15,
// of the mIRC palette: 00 white, 01 black, 02 blue, 03 green, 04 red,
// 05 brown, 06 purple, 07 orange, 08 yellow, 09 light green, 10 cyan,
// 11 light cyan, 12 light blue, 13 pink, 14 grey, 15 light grey.
int NearestIrcColour(Rgb rgb);

// The colour of that number of the palette (taken modulo 16, as clients do
// for the extended numbers they do not know).
Rgb IrcPaletteColour(int number);

}  // namespace irc
