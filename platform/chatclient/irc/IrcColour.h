#pragma once

#include <cstdint>
#include <optional>

#include <QStringView>

namespace irc {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

// An HTML colour value: "#rrggbb", "rrggbb", "#rgb", or one of the sixteen
// basic colour names ("red", "navy", ...; "grey" and "cyan" too), in any
// case. Nothing for anything else.
std::optional<Rgb> ParseHtmlColour(QStringView value);

// The nearest (by RGB distance) of the sixteen standard IRC colours, 0..15,
// of the mIRC palette: 00 white, 01 black, 02 blue, 03 green, 04 red,
// 05 brown, 06 purple, 07 orange, 08 yellow, 09 light green, 10 cyan,
// 11 light cyan, 12 light blue, 13 pink, 14 grey, 15 light grey.
int NearestIrcColour(Rgb rgb);

}  // namespace irc
