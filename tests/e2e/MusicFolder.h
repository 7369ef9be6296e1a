#pragma once

#include <QString>
#include <QStringList>

// Writes a short tone as an MP3 file with lame; false when lame is missing or
// fails.
bool WriteToneMp3(const QString& path, int seconds, double frequency);
// The same for a tone that rises evenly from one frequency to the other, so
// that its pitch tells where in the file it is.
bool WriteSweepMp3(const QString& path, int seconds, double from, double to);
