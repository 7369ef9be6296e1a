#include "src/commands/CommandTable.h"

#include <array>

#include "src/app/Form1.h"
#include "src/commands/CdCommands.h"
#include "src/commands/DirectoryCommands.h"
#include "src/commands/PlayCommands.h"
#include "src/commands/PlayerCommands.h"
#include "src/commands/PresenceCommands.h"
#include "src/commands/WindowCommands.h"

namespace commands {

namespace {

// The player and CD commands need only the room and their control.
MediaPlayerControl& Player(Form1& form) { return form.MediaPlayer1; }
CdPlayerControl& Cd(Form1& form) { return form.CDPlayer1; }

using Line = const CommandLine&;

constexpr auto kRows = std::to_array<CommandRow>({
    {".pause", [](Form1& f, Line) { Pause(f.Aol(), Player(f)); }},
    {".xpause", [](Form1& f, Line) { XPause(f.Aol(), Player(f)); }},
    {".repeat", [](Form1& f, Line) { Repeat(f.Aol(), Player(f)); }},
    {".adv", [](Form1& f, Line) { Adv(f); }},
    {".pr", [](Form1& f, Line line) { Pr(f, line); }},
    {".hide", [](Form1& f, Line) { Hide(f); }},
    {".xhide", [](Form1& f, Line) { XHide(f); }},
    {".viewmp3s", [](Form1& f, Line) { ViewMp3s(f); }},
    {".xviewmp3s", [](Form1& f, Line) { XViewMp3s(f); }},
    {".xcoms", [](Form1& f, Line) { XComs(f); }},
    {".xrepeat", [](Form1& f, Line) { XRepeat(f.Aol(), Player(f)); }},
    {".refresh", [](Form1& f, Line) { Refresh(f); }},
    {".leng", [](Form1& f, Line) { Leng(f.Aol(), f.runtime(), Player(f)); }},
    {".exit", [](Form1& f, Line) { Exit(f); }},
    {".coms", [](Form1& f, Line) { Coms(f); }},
    {".vol", [](Form1& f, Line line) { Vol(f.Aol(), Player(f), line); }},
    {".r", [](Form1& f, Line) { R(f); }},
    {".play", [](Form1& f, Line line) { Play(f, line); }},
    {".stop", [](Form1& f, Line) { Stop(f.Aol(), Player(f)); }},
    {".mute", [](Form1& f, Line) { Mute(f.Aol(), Player(f)); }},
    {".cdopen", [](Form1& f, Line) { CdOpen(f.Aol(), Cd(f)); }},
    {".playcd", [](Form1& f, Line) { PlayCd(f.Aol(), Cd(f)); }},
    {".xmute", [](Form1& f, Line) { XMute(f.Aol(), Player(f)); }},
    {".dir", [](Form1& f, Line line) { Dir(f, line); }},
    {".cdclose", [](Form1& f, Line) { CdClose(f.Aol(), Cd(f)); }},
    {".stopcd", [](Form1& f, Line) { StopCd(f.Aol(), Cd(f)); }},
    {".total", [](Form1& f, Line) { Total(f); }},
    {".greets", [](Form1& f, Line) { Greets(f); }},
    {".next", [](Form1& f, Line) { Next(f.Aol(), Cd(f)); }},
    {".prev", [](Form1& f, Line) { Prev(f.Aol(), Cd(f)); }},
    {".cancel", [](Form1& f, Line) { Cancel(f); }},
});

}  // namespace

std::span<const CommandRow> CommandTable() { return kRows; }

const CommandRow* FindCommand(const QString& word) {
  for (const CommandRow& row : kRows)
    if (word == QLatin1String(row.word)) return &row;
  return nullptr;
}

}  // namespace commands
