#include "src/commands/Listen.h"

#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

void Listen(Session& s, const CommandLine&) {
  const QString address = s.stream ? s.stream->ListenersAddress() : QString();
  s.aol.SendRoomLine(MorvaLine(address.isEmpty() ? QStringLiteral("No Stream Is On") : "Listen Along: " + address));
}

}  // namespace commands
