#pragma once

#include "platform/chatclient/ChatTransport.h"
#include "platform/chatclient/irc/IrcEvent.h"

// What an IRC session's event means to the chat client, as the transport's
// signal: the one switch for the IRC transport and the proxy alike. A lost
// connection is the transport's own to handle: false for it, and nothing is
// emitted.
bool EmitIrcEvent(ChatTransport& transport, const irc::IrcEvent& event);
