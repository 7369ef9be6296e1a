#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"

// A suite of runs of the real program: one program folder for the whole
// suite, its music made once by the suite's own
//   static bool MakeMusic(const ProgramFolder& folder);
// (false: lame cannot make it). A machine that cannot make the folder or the
// music is broken, not exempt: each test then fails at its start saying why.
template <class Suite>
class ProgramSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ProgramFolder folder = MakeProgramFolder(Suite::kFolderName);
    if (folder.problem.isEmpty() && !Suite::MakeMusic(folder))
      folder.problem = "cannot make MP3 files (is lame installed?)";
    root_ = std::move(folder.root);
    program_ = folder.program;
    problem_ = folder.problem;
  }
  static void TearDownTestSuite() { root_.reset(); }

  void SetUp() override { ASSERT_TRUE(problem_.isEmpty()) << problem_.toStdString(); }

  static QString MusicPath() { return root_->path() + "/music"; }

  // Starts the program in the music folder as the owner Joe, playing to the
  // null output unless the arguments name one, and waits for its load.
  static void Start(MorvaProcess& morva, QStringList arguments = {}) {
    if (!arguments.contains("--audio")) arguments << "--audio" << "null";
    arguments << "--screen-name" << "Joe";
    ASSERT_TRUE(morva.Start(program_, arguments, MusicPath()));
    ASSERT_TRUE(morva.WaitForLine("Joe: " + e2e::kBullet + " Loaded By:Joe")) << morva.output().toStdString();
  }

  // Types the line and waits for the room to show the reply.
  static void Say(MorvaProcess& morva, const QByteArray& line, const QByteArray& reply) {
    morva.Type(line);
    ASSERT_TRUE(morva.WaitForLine(reply)) << "no reply " << reply.toStdString() << " to " << line.toStdString()
                                          << "\n" << morva.output().toStdString() << morva.errors().toStdString();
  }

  static inline std::unique_ptr<QTemporaryDir> root_;
  static inline QString program_;
  static inline QString problem_;
};
