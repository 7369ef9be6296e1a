#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QProcess>
#include <QString>

// A listener nobody here wrote: ffmpeg reads a stream's address and decodes
// it to 44.1 kHz mono into a file, so it never waits for the test to read.
class StreamListener {
 public:
  static constexpr int kRate = 44100;

  ~StreamListener();
  // Records into `file`.
  bool Start(const QString& url, const QString& file);
  void Stop();
  bool Running() const { return process_.state() == QProcess::Running; }

  // Frames decoded so far.
  std::size_t Frames();
  // Waits until that many frames have arrived; false after the limit.
  bool WaitForFrames(std::size_t frames, std::chrono::milliseconds limit);
  const std::vector<std::int16_t>& Samples();

 private:
  void Read();

  QProcess process_;
  QString file_;
  std::vector<std::int16_t> samples_;
};

// A stretch of sound as sox measures it.
struct SoxMeasure {
  double hz = 0.0;   // sox's rough frequency
  double rms = 0.0;  // the RMS amplitude, 0 to 1
};
// Measures frames [begin, end) of mono samples at StreamListener::kRate with sox.
SoxMeasure MeasureWithSox(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end);

inline std::size_t FramesIn(double seconds) { return static_cast<std::size_t>(seconds * StreamListener::kRate); }
