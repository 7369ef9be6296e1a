#pragma once

#include <QString>
#include <QStringList>

// Writes a short tone as an MP3 file with lame; false when lame is missing or
// fails.
bool WriteToneMp3(const QString& path, int seconds, double frequency);
