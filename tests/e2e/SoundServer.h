#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A private PulseAudio server for one test, with a null sink whose monitor
// is recorded: what a client of the server plays, in real time, silence
// included. It never meets a user's or the system's server: its socket,
// runtime folder, state and the clients' home all lie in the test's folder,
// and clients are told where with Environment().
//
// The server can be killed and started again while a client runs; each
// start begins a new recording.
class SoundServer {
 public:
  static constexpr int kRate = 44100;  // the sink's rate; it records stereo

  // Everything goes in `folder`, which is made when missing.
  explicit SoundServer(const QString& folder);
  ~SoundServer();
  SoundServer(const SoundServer&) = delete;
  SoundServer& operator=(const SoundServer&) = delete;

  // Starts the server and its recording and waits until the recording
  // flows. Returns what went wrong, or the empty text when both run.
  QString Start();
  // Kills the server at once, as a crash would; the recording ends with it.
  void Kill();
  // Ends the recording and the server, and waits for both.
  void Stop();

  // What a client needs to reach this server, and only it: PULSE_SERVER,
  // its runtime folder, and a home whose ALSA configuration sends ALSA's
  // default device to the server through ALSA's PulseAudio plugin.
  QProcessEnvironment Environment() const;

  // Frames recorded since the last Start, as far as they have arrived.
  std::size_t Frames() const;
  // Waits until the recording holds that many frames; false after the limit.
  bool WaitForFrames(std::size_t frames, std::chrono::milliseconds limit) const;
  // The left channel of the recording since the last Start.
  std::vector<std::int16_t> Left() const;

 private:
  QString RunFolder() const { return folder_ + "/run"; }
  QString Socket() const { return RunFolder() + "/native"; }
  bool Answers() const;             // the socket takes a connection
  bool WakeSink();                  // see Start
  QString Problem(const QString& what) const;  // what, with the server's log

  const QString folder_;
  int starts_ = 0;
  QString recordingPath_;
  QProcess server_;
  QProcess recorder_;
};
