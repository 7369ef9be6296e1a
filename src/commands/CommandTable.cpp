#include "src/commands/CommandTable.h"

#include <array>

#include "src/commands/CdCommands.h"
#include "src/commands/DirectoryCommands.h"
#include "src/commands/Listen.h"
#include "src/commands/PlayCommands.h"
#include "src/commands/PlayerCommands.h"
#include "src/commands/PresenceCommands.h"
#include "src/commands/QueueCommands.h"
#include "src/commands/WindowCommands.h"

namespace commands {

namespace {

constexpr auto kRows = std::to_array<CommandRow>({
    {".pause", Pause},
    {".xpause", XPause},
    {".repeat", Repeat},
    {".adv", Adv},
    {".pr", Pr},
    {".hide", Hide},
    {".xhide", XHide},
    {".viewmp3s", ViewMp3s},
    {".xviewmp3s", XViewMp3s},
    {".xcoms", XComs},
    {".xrepeat", XRepeat},
    {".refresh", Refresh},
    {".leng", Leng},
    {".exit", Exit},
    {".coms", Coms},
    {".vol", Vol},
    {".r", R},
    {".play", Play},
    {".stop", Stop},
    {".mute", Mute},
    {".cdopen", CdOpen},
    {".playcd", PlayCd},
    {".xmute", XMute},
    {".dir", Dir},
    {".cdclose", CdClose},
    {".stopcd", StopCd},
    {".total", Total},
    {".greets", Greets},
    {".next", Next},
    {".prev", Prev},
    {".cancel", Cancel},
    {".q", Q},
    {".xq", XQ},
    {".shuffle", Shuffle},
    {".xshuffle", XShuffle},
    {".skip", Skip},
    {".back", Back},
    {".listen", Listen},
    {".deep", Deep},
    {".xdeep", XDeep},
});

}  // namespace

std::span<const CommandRow> CommandTable() { return kRows; }

const CommandRow* FindCommand(const QString& word) {
  for (const CommandRow& row : kRows)
    if (word == QLatin1String(row.word)) return &row;
  return nullptr;
}

}  // namespace commands
