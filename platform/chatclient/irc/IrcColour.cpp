#include "platform/chatclient/irc/IrcColour.h"

#include <array>
#include <utility>

namespace irc {
namespace {

constexpr std::array<Rgb, 16> kIrcPalette = {
    0xffffff, 0x000000, 0x00007f, 0x009300, 0xff0000, 0x7f0000, 0x9c009c, 0xfc7f00,
    0xffff00, 0x00fc00, 0x009393, 0x00ffff, 0x0000fc, 0xff00ff, 0x7f7f7f, 0xd2d2d2,
};

}  // namespace

int NearestIrcColour(Rgb rgb) {
  auto channel = [](Rgb c, int shift) { return int((c >> shift) & 0xff); };
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < int(kIrcPalette.size()); ++i) {
    long distance = 0;
    for (int shift : {16, 8, 0}) {
      const long d = channel(rgb, shift) - channel(kIrcPalette[i], shift);
      distance += d * d;
    }
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

Rgb IrcPaletteColour(int number) { return kIrcPalette[static_cast<std::size_t>(number & 15)]; }

}  // namespace irc
