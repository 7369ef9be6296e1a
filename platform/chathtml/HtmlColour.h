#pragma once

#include <cstdint>
#include <optional>

#include <QStringView>

namespace chathtml {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

// An HTML colour value: "#rrggbb", "rrggbb", "#rgb", or one of the sixteen
// basic colour names ("red", "navy", ...; "grey" and "cyan" too), in any
// case. Nothing for anything else.
std::optional<Rgb> ParseHtmlColour(QStringView value);

}  // namespace chathtml
