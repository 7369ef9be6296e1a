// Benchmark of the MP3 player against mpg123 on the same file, same run.
//  1. CPU time to play a 60-second MP3 through the player into a silent sink
//     without pacing, against `mpg123 -q -o dummy FILE`.
//  2. Time from OpenFile to the first sample reaching the sink, against the
//     time from starting `mpg123 -q -s FILE` to its first byte of output
//     (which includes starting a process), and against libmpg123 opening the
//     file and decoding its first chunk in this process.
// Each figure is the best of several runs. Usage: morva_mediaplayer_bench [runs]

#include <mpg123.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/NullSink.h"
#include "platform/mediaplayer/Mp3Player.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Notes when the first samples arrive; plays them nowhere, without pacing.
class FirstWriteSink : public AudioSink {
 public:
  explicit FirstWriteSink(std::shared_ptr<std::atomic<Clock::rep>> first) : first_(std::move(first)) {}
  void Open(long rate, int channels) override { inner_.Open(rate, channels); }
  void Write(const std::int16_t* samples, std::size_t frames) override {
    Clock::rep none = 0;
    first_->compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    inner_.Write(samples, frames);
  }
  void Drop() override { inner_.Drop(); }
  void Drain() override { inner_.Drain(); }
  void Close() override { inner_.Close(); }

 private:
  std::shared_ptr<std::atomic<Clock::rep>> first_;
  NullSink inner_{NullPacing::None};
};

struct PlayerRun {
  double cpu = 0;
  double firstSample = 0;
};

PlayerRun RunPlayer(const std::string& file) {
  auto first = std::make_shared<std::atomic<Clock::rep>>(0);
  Mp3Player player([first] { return std::make_unique<FirstWriteSink>(first); });
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = Clock::now();
  player.OpenFile(QString::fromStdString(file));
  while (player.PlayState() == Mp3Player::kPlaying) std::this_thread::sleep_for(std::chrono::microseconds(200));
  PlayerRun run;
  run.cpu = ProcessCpuSeconds() - cpu0;
  run.firstSample = Seconds(Clock::time_point(Clock::duration(first->load())) - t0);
  return run;
}

// Runs the command; returns its CPU time (user + system).
double ChildCpu(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "command failed: %s\n", args[0].c_str());
    std::exit(1);
  }
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Seconds from starting `mpg123 -q -s FILE` to its first byte on standard output.
double Mpg123FirstByte(const std::string& file) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::exit(1);
  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execlp("mpg123", "mpg123", "-q", "-s", file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  char byte = 0;
  const bool got = read(pipeFds[0], &byte, 1) == 1;
  const double elapsed = Seconds(Clock::now() - t0);
  close(pipeFds[0]);  // mpg123 ends on the broken pipe
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got) {
    std::fprintf(stderr, "mpg123 gave no output\n");
    std::exit(1);
  }
  return elapsed;
}

// Seconds for libmpg123 in this process to open the file and decode a chunk.
double LibraryFirstChunk(const std::string& file) {
  const auto t0 = Clock::now();
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  mpg123_open(handle, file.c_str());
  std::vector<unsigned char> buffer(4096);
  std::size_t done = 0;
  while (done == 0) {
    const int result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) break;
  }
  const double elapsed = Seconds(Clock::now() - t0);
  mpg123_delete(handle);
  return elapsed;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  QCoreApplication app(argc, argv);

  char pattern[] = "/tmp/morva-mp3-bench-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made == nullptr) return 1;
  const std::filesystem::path dir(made);
  const std::string wav = (dir / "bench.wav").string();
  const std::string mp3 = (dir / "bench.mp3").string();
  std::printf("Making a 60-second 44.1 kHz stereo 128 kbit/s MP3...\n");
  Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 60 sine 220-880 sine 330-990 vol 0.5");
  Run("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'");

  double playerCpu = 1e9, playerFirst = 1e9, peerCpu = 1e9, peerFirst = 1e9, libraryFirst = 1e9;
  for (int i = 0; i < runs; ++i) {
    const PlayerRun run = RunPlayer(mp3);
    playerCpu = std::min(playerCpu, run.cpu);
    playerFirst = std::min(playerFirst, run.firstSample);
    peerCpu = std::min(peerCpu, ChildCpu({"mpg123", "-q", "-o", "dummy", mp3}));
    peerFirst = std::min(peerFirst, Mpg123FirstByte(mp3));
    libraryFirst = std::min(libraryFirst, LibraryFirstChunk(mp3));
  }
  std::filesystem::remove_all(dir);

  std::printf("\nBest of %d runs on the same file:\n", runs);
  std::printf("  CPU to play 60 s   player: %8.2f ms   mpg123 -o dummy: %8.2f ms   ratio %.2fx (aim <= 1.3x)\n",
              playerCpu * 1e3, peerCpu * 1e3, playerCpu / peerCpu);
  std::printf("  open to 1st sample player: %8.2f ms   mpg123 -s 1st byte: %6.2f ms   ratio %.2fx (aim <= 2x)\n",
              playerFirst * 1e3, peerFirst * 1e3, playerFirst / peerFirst);
  std::printf("                               libmpg123 in-process open+first chunk: %6.2f ms   ratio %.2fx\n",
              libraryFirst * 1e3, playerFirst / libraryFirst);
  return 0;
}
