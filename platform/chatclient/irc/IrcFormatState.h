#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// The formatting in effect at a point of IRC text, as a client reading it
// from the start of the line would have it.
class IrcFormatState {
 public:
  // Applies one whole formatting code (see FormatCodeLength).
  void Apply(QByteArrayView code);

  // Codes that bring a fresh line to this state: colour first (always two
  // digits, so a digit after it is never read as part of it), then the
  // hex colour, then the styles. Empty when nothing is in effect.
  QByteArray Codes() const;
  // Whether Codes() ends in a colour code, so that a comma after it would be
  // read as the start of a background colour.
  bool CodesEndInColour() const;

  friend bool operator==(const IrcFormatState&, const IrcFormatState&) = default;

 private:
  int foreground_ = -1;  // -1: none
  int background_ = -1;
  QByteArray hexColour_;  // the whole \x04 code, or empty
  bool bold_ = false;
  bool italic_ = false;
  bool underline_ = false;
  bool reverse_ = false;
  bool strikethrough_ = false;
  bool monospace_ = false;
};

}  // namespace irc
