#include "src/commands/RunCommand.h"

#include "src/app/Form1.h"
#include "src/commands/CdCommands.h"
#include "src/commands/LibraryCommands.h"
#include "src/commands/LineReceived.h"
#include "src/commands/PlayerCommands.h"
#include "src/commands/PresenceCommands.h"
#include "src/commands/WindowCommands.h"

void RunCommand(Form1& form, Command command, const CommandLine& line) {
  const AolClient& aol = form.Aol();
  MediaPlayerControl& player = form.MediaPlayer1;
  CdPlayerControl& cd = form.CDPlayer1;
  switch (command) {
    case Command::Pause: return commands::Pause(aol, player);
    case Command::XPause: return commands::XPause(aol, player);
    case Command::Repeat: return commands::Repeat(aol, player);
    case Command::Adv: return commands::Adv(form);
    case Command::Pr: return commands::Pr(form, line);
    case Command::Hide: return commands::Hide(form);
    case Command::XHide: return commands::XHide(form);
    case Command::ViewMp3s: return commands::ViewMp3s(form);
    case Command::XViewMp3s: return commands::XViewMp3s(form);
    case Command::XComs: return commands::XComs(form);
    case Command::XRepeat: return commands::XRepeat(aol, player);
    case Command::Refresh: return commands::Refresh(form);
    case Command::Leng: return commands::Leng(aol, form.runtime(), player);
    case Command::Exit: return commands::Exit(form);
    case Command::Coms: return commands::Coms(form);
    case Command::Vol: return commands::Vol(aol, player, line);
    case Command::R: return commands::R(form);
    case Command::Play: return commands::Play(form, line);
    case Command::Stop: return commands::Stop(aol, player);
    case Command::Mute: return commands::Mute(aol, player);
    case Command::CdOpen: return commands::CdOpen(aol, cd);
    case Command::PlayCd: return commands::PlayCd(aol, cd);
    case Command::XMute: return commands::XMute(aol, player);
    case Command::Dir: return commands::Dir(form, line);
    case Command::CdClose: return commands::CdClose(aol, cd);
    case Command::StopCd: return commands::StopCd(aol, cd);
    case Command::Total: return commands::Total(form);
    case Command::Greets: return commands::Greets(form);
    case Command::Next: return commands::Next(aol, cd);
    case Command::Prev: return commands::Prev(aol, cd);
    case Command::Cancel: return commands::Cancel(form);
  }
}

void Form1::Chat1_LineReceived(const QString& screenName, const QString& text) {
  LineReceived(aol_, screenName, text,
               [this](Command command, const CommandLine& line) { RunCommand(*this, command, line); });
}
