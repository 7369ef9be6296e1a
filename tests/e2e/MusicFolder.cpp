#include "tests/e2e/MusicFolder.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "tests/support/TestFolder.h"

namespace {

void PutLe(QByteArray& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A mono WAV of the sine whose phase at second t is phase(t).
QByteArray SineWav(int seconds, const std::function<double(double)>& phase) {
  constexpr int kRate = 22050;
  const std::uint32_t samples = static_cast<std::uint32_t>(seconds) * kRate;
  QByteArray wav("RIFF");
  PutLe(wav, 36 + samples * 2, 4);
  wav.append("WAVEfmt ");
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, kRate, 4);
  PutLe(wav, kRate * 2, 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  wav.append("data");
  PutLe(wav, samples * 2, 4);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double value = 8000.0 * std::sin(phase(static_cast<double>(i) / kRate));
    PutLe(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
  }
  return wav;
}

bool WriteMp3(const QString& path, const QByteArray& wavBytes, const QStringList& lameOptions = {}) {
  const QString wavPath = path + ".wav";
  {
    QFile wav(wavPath);
    if (!wav.open(QIODevice::WriteOnly) || wav.write(wavBytes) < 0) return false;
  }
  // From 56 kbit/s up a frame at 22050 Hz has room for LAME's tag of the
  // encoder's delay and padding, which the decoder cuts off: the file then
  // holds the tone alone, with no silence of its own at either end. The tag
  // carries no ReplayGain, so the tone plays at its own level.
  QProcess lame;
  lame.start("lame", QStringList{"--quiet", "-b", "64", "--noreplaygain"} + lameOptions + QStringList{wavPath, path});
  const bool ok = lame.waitForFinished(60000) && lame.exitStatus() == QProcess::NormalExit && lame.exitCode() == 0;
  QFile::remove(wavPath);
  return ok;
}

}  // namespace

bool WriteToneMp3(const QString& path, int seconds, double frequency) {
  return WriteMp3(path, SineWav(seconds, [frequency](double t) { return 2.0 * std::numbers::pi * frequency * t; }));
}

bool WriteTaggedToneMp3(const QString& path, int seconds, double frequency, const QString& artist,
                        const QString& album) {
  return WriteMp3(path, SineWav(seconds, [frequency](double t) { return 2.0 * std::numbers::pi * frequency * t; }),
                  {"--id3v2-only", "--ta", artist, "--tl", album});
}

bool WriteReplayGainToneMp3(const QString& path, int seconds, double frequency, double gainDb) {
  return WriteMp3(path, SineWav(seconds, [frequency](double t) { return 2.0 * std::numbers::pi * frequency * t; }),
                  {"--tv", QString("TXXX=replaygain_track_gain=%1 dB").arg(gainDb, 0, 'f', 2)});
}

bool WriteSweepMp3(const QString& path, int seconds, double from, double to) {
  const double slope = (to - from) / seconds;  // Hz per second
  return WriteMp3(path, SineWav(seconds, [from, slope](double t) {
                    return 2.0 * std::numbers::pi * (from * t + slope * t * t / 2.0);
                  }));
}

ProgramFolder MakeProgramFolder(const QString& name) {
  ProgramFolder folder;
  folder.root = std::make_unique<QTemporaryDir>(
      QString::fromStdString((TestFilesRoot() / (name.toStdString() + "-XXXXXX")).string()));
  const QString dir = folder.root->path();
  QDir().mkpath(dir + "/bin");
  QDir().mkpath(dir + "/music");
  folder.program = dir + "/bin/morva";
  folder.music = dir + "/music/";
  if (!QFile::copy(MORVA_BINARY, folder.program)) folder.problem = "cannot copy the morva program from " MORVA_BINARY;
  return folder;
}
