#include "platform/chatclient/LocalRooms.h"

void LocalRooms::SignOn(const QString& screenName) {
  signedOn_ = true;
  emit signedOn(screenName);
}

bool LocalRooms::SayAs(const QString& room, const QString& member, const QString& text) {
  emit lineArrived(room, member, text);
  return true;
}
