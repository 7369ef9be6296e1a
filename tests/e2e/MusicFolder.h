#pragma once

#include <memory>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A folder for runs of the real program: a copy of it in bin/ (so that no
// mp3.ini of another run lies beside it) and an empty music/ folder.
struct ProgramFolder {
  std::unique_ptr<QTemporaryDir> root;
  QString program;
  QString music;    // ends in "/"
  QString problem;  // empty when the folder is ready
};
ProgramFolder MakeProgramFolder(const QString& name);

// Writes a short tone as an MP3 file with lame; false when lame is missing or
// fails.
bool WriteToneMp3(const QString& path, int seconds, double frequency);
// The same with an ID3v2 tag naming the artist and the album.
bool WriteTaggedToneMp3(const QString& path, int seconds, double frequency, const QString& artist,
                        const QString& album);
// The same with an ID3v2 ReplayGain track gain (and no peak).
bool WriteReplayGainToneMp3(const QString& path, int seconds, double frequency, double gainDb);
// The same for a tone that rises evenly from one frequency to the other, so
// that its pitch tells where in the file it is.
bool WriteSweepMp3(const QString& path, int seconds, double from, double to);
