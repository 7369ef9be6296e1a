#include "platform/chatclient/IrcEventSignals.h"

bool EmitIrcEvent(ChatTransport& transport, const irc::IrcEvent& event) {
  using Kind = irc::IrcEvent::Kind;
  switch (event.kind) {
    case Kind::SignedOn: emit transport.signedOn(event.text); break;
    case Kind::OwnNameChanged: emit transport.ownNameChanged(event.text); break;
    case Kind::Joined: emit transport.joined(event.room); break;
    case Kind::JoinRefused: emit transport.joinRefused(event.room, event.text); break;
    case Kind::Line: emit transport.lineArrived(event.room, event.nick, event.text); break;
    case Kind::RoomNotice: emit transport.roomNotice(event.room, event.text); break;
    case Kind::Members: emit transport.membersChanged(event.room, event.members); break;
    case Kind::Notice: emit transport.notice(event.text); break;
    case Kind::Lost: return false;
    case Kind::MemberJoined: emit transport.memberJoined(event.room, event.nick); break;
    case Kind::MemberParted: emit transport.memberParted(event.room, event.nick, event.text); break;
    case Kind::MemberQuit: emit transport.memberQuit(event.room, event.nick, event.text); break;
    case Kind::MemberRenamed: emit transport.memberRenamed(event.room, event.nick, event.text); break;
    case Kind::MemberKicked:
      emit transport.memberKicked(event.room, event.nick, event.members.value(0), event.text);
      break;
    case Kind::Topic: emit transport.topicChanged(event.room, event.text, event.nick); break;
    case Kind::Marks: emit transport.memberMarksChanged(event.room, event.members); break;
  }
  return true;
}
