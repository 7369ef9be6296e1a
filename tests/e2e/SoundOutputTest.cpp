// The sound a user hears: the real program plays through libout123 into a
// private PulseAudio server, and the server's recording is measured.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/e2e/SoundAnalysis.h"
#include "tests/e2e/SoundServer.h"
#include "tests/platform/cdplayer/DiscImage.h"
#include "tests/support/ProgramSuite.h"
#include "tests/support/TestFolder.h"

namespace {

using namespace std::chrono_literals;
using sound::FramesOf;
using sound::SecondsOf;

using e2e::kBullet;
using e2e::Morva;

QByteArray Listed(const QByteArray& message) { return "Joe: " + kBullet + " Morva MP3  " + message; }

// The sweep rises this evenly, so its pitch tells the second of the file.
constexpr double kSweepFrom = 300.0;
constexpr double kSweepTo = 1100.0;
constexpr int kSweepSeconds = 10;
double SweepSecond(double hz) { return (hz - kSweepFrom) / ((kSweepTo - kSweepFrom) / kSweepSeconds); }

constexpr int kCdHz = 1200;  // a multiple of 75 Hz: whole cycles in every sector
constexpr int kMatches = 20;
const std::size_t kGap = FramesOf(0.005);  // a silence this long inside a tone is heard as a gap

class SoundOutputTest : public ProgramSuite<SoundOutputTest> {
 public:
  static constexpr const char* kFolderName = "sound";
  static bool MakeMusic(const ProgramFolder& folder) {
    const QString music = folder.music;
    bool made = WriteToneMp3(music + "Steady 440.mp3", 60, 440) && WriteToneMp3(music + "Short Beep.mp3", 2, 440) &&
                WriteSweepMp3(music + "Rising Sweep.mp3", kSweepSeconds, kSweepFrom, kSweepTo) &&
                WriteToneMp3(music + "Match 01.mp3", 1, 660) && WriteToneMp3(music + "Gain Plain.mp3", 3, 440) &&
                WriteReplayGainToneMp3(music + "Gain Cut.mp3", 3, 440, -6.0) &&
                WriteReplayGainToneMp3(music + "Gain Boost.mp3", 3, 440, 6.0);
    for (int i = 2; made && i <= kMatches; ++i)
      made = QFile::copy(music + "Match 01.mp3", music + QString("Match %1.mp3").arg(i, 2, 10, QChar('0')));
    if (made)
      cue_ = QString::fromStdString(
          cdtest::WriteCueImage(folder.root->path().toStdString(), "disc", {{75 * 30, kCdHz, true}}));
    return made;
  }

 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProgramSuite::SetUp());
    // A short folder name: the server's socket path has a length limit.
    server_ = std::make_unique<SoundServer>(root_->path() + "/s" + QString::number(++tests_));
  }

  void StartServer() {
    const QString problem = server_->Start();
    ASSERT_TRUE(problem.isEmpty()) << "the sound server does not run: " << problem.toStdString();
  }

  void StartMorva(const QString& audio, QStringList more = {}) {
    morva_.SetEnvironment(server_->Environment());
    morva_.KeepErrors();
    Start(morva_, more << "--audio" << audio);
  }

  void Say(const QByteArray& line, const QByteArray& reply) { ProgramSuite::Say(morva_, line, reply); }

  // Starts the sound server, then the program playing to it.
  void StartBoth(const QString& audio, QStringList more = {}) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    StartMorva(audio, std::move(more));
  }

  // Plays the track the word finds and waits for it to be heard: the first
  // frame of its sound, if it is.
  std::optional<std::size_t> PlayHeard(const QByteArray& word, const QByteArray& title) {
    const std::size_t asked = server_->Frames();
    Say(".play " + word, Morva("Playing [" + title + "]"));
    return WaitForSound(asked);
  }

  // Waits until the recording has grown by so many seconds from `from`.
  void RecordUntil(std::size_t from, double seconds) {
    ASSERT_TRUE(server_->WaitForFrames(from + FramesOf(seconds), 10s)) << "the recording stopped";
  }

  // The first frame of sound recorded from `from` on, waiting for it.
  std::optional<std::size_t> WaitForSound(std::size_t from, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
      if (auto first = sound::FirstSound(server_->Left(), from, SIZE_MAX)) return first;
      server_->WaitForFrames(server_->Frames() + FramesOf(0.02), 1s);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
  }

  // What the recording holds from now on, after the change just made has had
  // time to be heard: the settling, then the window that is measured.
  struct Window {
    std::size_t begin, end;
  };
  Window Measure(double seconds = 0.4) {
    const std::size_t now = server_->Frames();
    const Window window{now + FramesOf(0.4), now + FramesOf(0.4 + seconds)};
    server_->WaitForFrames(window.end, 10s);
    return window;
  }

  static std::string Describe(const std::vector<sound::Run>& runs) {
    std::ostringstream text;
    for (const sound::Run& run : runs)
      text << " [" << SecondsOf(run.begin) << " s: " << SecondsOf(run.frames) * 1000 << " ms]";
    return text.str();
  }

  static inline QString cue_;
  static inline int tests_ = 0;
  std::unique_ptr<SoundServer> server_;
  MorvaProcess morva_;  // after the server: ends first
};

std::string DriverName(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

class SoundOutputByDriverTest : public SoundOutputTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SoundOutputByDriverTest, A440HzMp3IsHeardAt440Hz) {
  StartBoth(GetParam());
  const std::optional<std::size_t> first = PlayHeard("steady", "Steady 440");
  ASSERT_TRUE(first) << "nothing heard\n" << morva_.errors().toStdString();
  RecordUntil(*first, 1.5);
  const sound::Samples left = server_->Left();
  EXPECT_NEAR(sound::ToneHz(left, *first + FramesOf(0.25), *first + FramesOf(1.5)), 440.0, 2.0);
  EXPECT_EQ(Describe(sound::SilentRuns(left, *first, *first + FramesOf(1.5), kGap)), "");
  EXPECT_EQ(morva_.errors().toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Drivers, SoundOutputByDriverTest, ::testing::Values("pulse", "alsa"),
                         DriverName);

struct Missing {
  const char* audio;
  const char* notice;
};

void PrintTo(const Missing& missing, std::ostream* out) { *out << missing.audio; }

class SoundOutputWithoutServerTest : public SoundOutputTest, public ::testing::WithParamInterface<Missing> {};

// No server runs at the address the program is given.
TEST_P(SoundOutputWithoutServerTest, SaysWhichOutputCannotOpenAndWhyAndPlaysOnSilently) {
  StartMorva(GetParam().audio);
  if (std::string(GetParam().audio) != "auto") {
    // Named at start, before anything plays.
    EXPECT_TRUE(morva_.WaitForErrorLine(GetParam().notice, 5000)) << morva_.errors().toStdString();
  }
  Say(".play steady", Morva("Playing [Steady 440]"));
  Say(".leng", Morva("Song Length : 01:00"));
  EXPECT_TRUE(morva_.WaitForErrorLine(GetParam().notice, 5000)) << morva_.errors().toStdString();
  EXPECT_EQ(morva_.errors(), QByteArray(GetParam().notice) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, SoundOutputWithoutServerTest,
    ::testing::Values(Missing{"pulse", "morva: cannot open pulse sound output (Connection refused), playing silently "
                                       "until it opens"},
                      Missing{"alsa", "morva: cannot open alsa sound output (Connection refused), playing silently "
                                      "until it opens"},
                      Missing{"auto", "morva: no sound device found, playing silently until one opens"}),
    [](const ::testing::TestParamInfo<Missing>& info) { return std::string(info.param.audio); });

class SoundOutputServerLaterTest : public SoundOutputTest, public ::testing::WithParamInterface<const char*> {};

// The sound server starts after the program (a desktop whose server comes up
// late). Both players made their sinks while it was down: the MP3 player's
// next .play and the CD that played on in silence are heard within a second
// of the server being up.
TEST_P(SoundOutputServerLaterTest, TheNextPlayAndTheSilentCdAreHeardOnceTheServerIsUp) {
  const bool automatic = GetParam() == std::string("auto");
  StartMorva(GetParam(), {"--cd", cue_});
  Say(".play steady", Morva("Playing [Steady 440]"));
  Say(".stop", Morva("MP3 Now Stopped"));
  Say(".playcd", Morva("Now Playing Track 1"));
  // The players make their sinks on their own threads. With "auto" the first
  // that fails says so: then at least one waits for the server. (A named
  // output says so at start, before any sink is made.)
  if (automatic) {
    ASSERT_TRUE(morva_.WaitForErrorLine("morva: no sound device found, playing silently until one opens", 5000))
        << morva_.errors().toStdString();
  }

  StartServer();  // its recording starts with it: frame 0 is the server being up
  Say(".play steady", Morva("Playing [Steady 440]"));
  const Window heard{FramesOf(1.0), FramesOf(1.4)};
  ASSERT_TRUE(server_->WaitForFrames(heard.end, 10s));
  const sound::Samples left = server_->Left();
  const std::optional<std::size_t> first = sound::FirstSound(left, 0, heard.end);
  ASSERT_TRUE(first) << "nothing heard\n" << morva_.errors().toStdString();
  EXPECT_GT(sound::PartDb(left, heard.begin, heard.end, 440), -30.0) << "the next .play is not heard";
  EXPECT_GT(sound::PartDb(left, heard.begin, heard.end, kCdHz), -30.0) << "the CD is not heard";
  if (automatic) {
    EXPECT_TRUE(morva_.WaitForErrorLine("morva: pulse sound output opened, playing on it", 5000))
        << morva_.errors().toStdString();
  }
  std::cout << "first heard " << SecondsOf(*first) << " s after the server was up\n";
}

INSTANTIATE_TEST_SUITE_P(Drivers, SoundOutputServerLaterTest, ::testing::Values("pulse", "alsa", "auto"),
                         DriverName);

TEST_F(SoundOutputTest, VolumeLowersTheLevelByTheFormulaAndMuteSilences) {
  StartBoth("pulse");
  ASSERT_TRUE(PlayHeard("steady", "Steady 440"));

  Say(".vol 100", Morva("Mp3 Volume At 100"));
  const Window full = Measure();
  Say(".vol 50", Morva("Mp3 Volume At 50"));
  const Window half = Measure();
  Say(".mute", Morva("MP3 Is Now Mute"));
  const Window muted = Measure();
  Say(".xmute", Morva("MP3 Is Now Unmuted"));
  const Window unmuted = Measure();

  const sound::Samples left = server_->Left();
  // `.vol N` sets N * 25 - 2500 hundredths of a decibel: 0 at 100, -12.5 dB at 50.
  const double expected = (50 * 25 - 2500) / 100.0;
  const double fullDb = sound::LevelDb(left, full.begin, full.end);
  const double halfDb = sound::LevelDb(left, half.begin, half.end);
  EXPECT_NEAR(halfDb - fullDb, expected, 1.0) << "full " << fullDb << " dB, half " << halfDb << " dB";
  EXPECT_FALSE(sound::FirstSound(left, muted.begin, muted.end)) << "heard while muted";
  const double unmutedDb = sound::LevelDb(left, unmuted.begin, unmuted.end);
  EXPECT_NEAR(unmutedDb, halfDb, 1.0);
  std::cout << "at .vol 100 " << fullDb << " dB, at .vol 50 " << halfDb << " dB, muted "
            << sound::LevelDb(left, muted.begin, muted.end) << " dB, unmuted " << unmutedDb << " dB\n";
}

TEST_F(SoundOutputTest, PauseStopsTheSoundAtOnceAndUnpauseGoesOnWhereItStopped) {
  StartBoth("pulse");
  const std::optional<std::size_t> first = PlayHeard("rising", "Rising Sweep");
  ASSERT_TRUE(first);
  RecordUntil(*first, 1.5);

  const std::size_t paused = server_->Frames();
  Say(".pause", Morva("MP3 Player Paused"));
  RecordUntil(paused, 1.0);
  const std::size_t unpaused = server_->Frames();
  Say(".xpause", Morva("MP3 Player Unpaused"));
  const std::optional<std::size_t> back = WaitForSound(unpaused);
  ASSERT_TRUE(back) << "not heard again";
  RecordUntil(*back, 0.5);

  const sound::Samples left = server_->Left();
  const std::optional<std::size_t> last = sound::LastSound(left, paused, unpaused);
  ASSERT_TRUE(last) << "silent before .pause was typed";
  EXPECT_LT(SecondsOf(*last - paused), 0.3) << "heard that long after .pause was typed";
  EXPECT_EQ(sound::SilentRuns(left, *last + 1, *back, kGap).size(), 1u) << "the pause is not one silence";
  std::cout << "silent " << SecondsOf(*last - paused) << " s after .pause, heard " << SecondsOf(*back - unpaused)
            << " s after .xpause\n";

  // The pitch before the pause and after it tell where the file was left and
  // where it went on (each measured over 0.1 s, centred 0.05 s off the edge).
  const double left_at = SweepSecond(sound::ToneHz(left, *last - FramesOf(0.1), *last)) + 0.05;
  const double went_on_at = SweepSecond(sound::ToneHz(left, *back, *back + FramesOf(0.1))) - 0.05;
  EXPECT_LT(std::abs(went_on_at - left_at), 0.3) << "left at " << left_at << " s, went on at " << went_on_at << " s";
  std::cout << "left the file at " << left_at << " s, went on at " << went_on_at << " s\n";
}

TEST_F(SoundOutputTest, RepeatJoinsThePassesWithoutAGap) {
  StartBoth("pulse");
  Say(".repeat", Morva("MP3 Player \xC2\xB7 Repeat is Now Enabled"));
  const std::optional<std::size_t> first = PlayHeard("short", "Short Beep");
  ASSERT_TRUE(first);
  RecordUntil(*first, 4.5);  // the 2-second file two and a quarter times

  const sound::Samples left = server_->Left();
  EXPECT_EQ(Describe(sound::SilentRuns(left, *first, *first + FramesOf(4.5), kGap)), "");
  EXPECT_NEAR(sound::ToneHz(left, *first, *first + FramesOf(4.5)), 440.0, 2.0);
}

TEST_F(SoundOutputTest, ACdTrackSoundsBesideAnMp3AndEachStopsAlone) {
  StartBoth("pulse", {"--cd", cue_});
  ASSERT_TRUE(PlayHeard("steady", "Steady 440"));
  Say(".playcd", Morva("Now Playing Track 1"));
  const Window both = Measure();
  Say(".stopcd", Morva("Stopped Playing Track 1"));
  const Window mp3 = Measure();
  Say(".playcd", Morva("Now Playing Track 1"));
  Say(".stop", Morva("MP3 Now Stopped"));
  const Window cd = Measure();

  const sound::Samples left = server_->Left();
  auto part = [&](const Window& window, double hz) { return sound::PartDb(left, window.begin, window.end, hz); };
  EXPECT_GT(part(both, 440), -30.0);
  EXPECT_GT(part(both, kCdHz), -30.0);
  EXPECT_GT(part(mp3, 440), -30.0);
  EXPECT_LT(part(mp3, kCdHz), -70.0);
  EXPECT_NEAR(sound::ToneHz(left, mp3.begin, mp3.end), 440.0, 2.0);
  EXPECT_LT(part(cd, 440), -70.0);
  EXPECT_GT(part(cd, kCdHz), -30.0);
  EXPECT_NEAR(sound::ToneHz(left, cd.begin, cd.end), kCdHz, 2.0);
  std::cout << "440 Hz / " << kCdHz << " Hz parts, dB: both " << part(both, 440) << " / " << part(both, kCdHz)
            << ", MP3 alone " << part(mp3, 440) << " / " << part(mp3, kCdHz) << ", CD alone " << part(cd, 440)
            << " / " << part(cd, kCdHz) << "\n";
}

TEST_F(SoundOutputTest, WithoutItsServerTheProgramAnswersAndSoundComesBackWithIt) {
  StartBoth("pulse");
  ASSERT_TRUE(PlayHeard("steady", "Steady 440"));

  server_->Kill();
  EXPECT_TRUE(morva_.WaitForErrorLine(
      "morva: pulse sound output lost (Connection refused), playing silently until it is back", 5000))
      << morva_.errors().toStdString();
  Say(".leng", Morva("Song Length : 01:00"));
  Say(".pause", Morva("MP3 Player Paused"));
  Say(".xpause", Morva("MP3 Player Unpaused"));
  ASSERT_TRUE(morva_.Running());

  // The track went on in silence; it is heard again when the server is back.
  StartServer();
  const std::optional<std::size_t> back = WaitForSound(0, 3s);
  ASSERT_TRUE(back) << "not heard when the server came back\n" << morva_.errors().toStdString();
  EXPECT_TRUE(morva_.WaitForErrorLine("morva: pulse sound output is back", 5000)) << morva_.errors().toStdString();
  RecordUntil(*back, 0.5);
  EXPECT_NEAR(sound::ToneHz(server_->Left(), *back, *back + FramesOf(0.5)), 440.0, 2.0);

  // And the next play is heard.
  Say(".stop", Morva("MP3 Now Stopped"));
  const Window stopped = Measure(0.2);
  EXPECT_FALSE(sound::FirstSound(server_->Left(), stopped.begin, stopped.end)) << "heard after .stop";
  Say(".play steady", Morva("Playing [Steady 440]"));
  EXPECT_TRUE(WaitForSound(stopped.end)) << "the next .play is not heard";
}

// A busy user-interface thread must not starve the player's worker: the room
// floods with other members' lines and a numbered listing runs, one line a
// second, while the MP3 plays on.
TEST_F(SoundOutputTest, ABusyRoomDoesNotMakeTheSoundStutter) {
  StartBoth("pulse");
  Say(".play steady", Morva("Playing [Steady 440]"));
  // The listing stops the track first; .xpause, taken during the listing's
  // waits, plays it on.
  Say(".play match", Listed("[Multiple Strings Found]"));
  Say(".xpause", Morva("MP3 Player Unpaused"));
  const std::optional<std::size_t> resumed = WaitForSound(server_->Frames());
  ASSERT_TRUE(resumed);

  QByteArray flood;
  constexpr int kLines = 10000;
  for (int i = 0; i < kLines; ++i) flood += "/as Ann flood line " + QByteArray::number(i) + "\n";
  const auto floodStart = std::chrono::steady_clock::now();
  morva_.TypeRaw(flood);
  ASSERT_TRUE(morva_.WaitForLine("Ann: flood line " + QByteArray::number(kLines - 1), 60000));
  const double floodSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - floodStart).count();
  ASSERT_TRUE(morva_.WaitForLine(
      Listed("[Type ''.play'' And 0 - " + QByteArray::number(kMatches - 1) + " Or ''.cancel'']"), 40000));
  const std::size_t end = server_->Frames();

  const sound::Samples left = server_->Left();
  const std::vector<sound::Run> gaps = sound::SilentRuns(left, *resumed, end, kGap);
  std::cout << gaps.size() << " silent gaps in " << SecondsOf(end - *resumed) << " s of sound; " << kLines
            << " lines taken in " << floodSeconds << " s\n";
  RecordProperty("silent_gaps", static_cast<int>(gaps.size()));
  EXPECT_EQ(Describe(gaps), "");
}

class ReplayGainTest : public SoundOutputTest, public ::testing::WithParamInterface<bool> {};

// Three files of the same tone: without a gain, with -6 dB and with +6 dB
// (and no peak). The cut is heard 6 dB down; a raise is never applied, so
// nothing can clip; --no-replaygain plays all three alike.
TEST_P(ReplayGainTest, TheTrackGainLowersTheLevelAndNeverRaisesIt) {
  const bool honoured = GetParam();
  StartBoth("pulse", honoured ? QStringList{} : QStringList{"--no-replaygain"});
  double levels[3] = {};
  const char* names[3] = {"Plain", "Cut", "Boost"};
  for (int i = 0; i < 3; ++i) {
    const QByteArray name = names[i];
    Say(".play gain " + name, Morva("Playing [Gain " + name + "]"));
    const Window window = Measure();
    levels[i] = sound::LevelDb(server_->Left(), window.begin, window.end);
  }
  EXPECT_GT(levels[0], -40.0) << "nothing heard\n" << morva_.errors().toStdString();
  EXPECT_NEAR(levels[1] - levels[0], honoured ? -6.0 : 0.0, 1.0) << "plain " << levels[0] << " dB, cut " << levels[1];
  EXPECT_NEAR(levels[2] - levels[0], 0.0, 1.0) << "plain " << levels[0] << " dB, boost " << levels[2];
  EXPECT_EQ(morva_.errors().toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Options, ReplayGainTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Honoured" : "TurnedOff");
                         });

}  // namespace
