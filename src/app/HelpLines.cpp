#include "src/app/HelpLines.h"

const QStringList& HelpLines() {
  static const QStringList lines = {
      "           Morva MP3 [Public] commands         ",
      QString(79, QChar('-')),
      ".adv  -  Advertise",
      ".cdopen  -  Open CD Drive",
      ".cdclose  -  Close CD Drive",
      ".coms  -  View Commands",
      ".dir  -  Set Directory",
      ".exit  -  Exit Tarlo MP3",
      ".greets  -  View Greets",
      ".hide  -  Hide MP3 Player",
      ".leng  -  Scroll Song Length",
      ".repeat  -  Enable Repeat",
      ".mute  -  Mute MP3 Player",
      ".next  -  Next Track of CD in Drive",
      ".pause  -  Pause MP3 Player",
      ".play  -  Play MP3",
      ".playcd  -  Play CD in Drive",
      ".pr  -  Enter Private Room",
      ".prev  -  Previous Track of CD in Drive",
      ".r  -  Play A Random MP3",
      ".refresh  -  Refresh MP3s",
      ".stop  -  Stop MP3 Playing",
      ".stopcd  -  Stop Paying CD in Drive",
      ".total  -  Scroll Total MP3s",
      ".viewmp3s  -  View MP3s",
      ".vol  -  Set Volume",
      ".xcoms  -  Hide Command",
      ".xhide  -  Unhide MP3 Player",
      ".xrepeat  -  Disable Repeat",
      ".xmute  -  Unmutes MP3 Player",
      ".xpause  -  Unpause MP3",
      ".xviewmp3s  -  Hide MP3s",
  };
  return lines;
}
