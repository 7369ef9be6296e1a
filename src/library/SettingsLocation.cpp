#include "src/library/SettingsLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <QDir>
#include <QFileInfo>

namespace {

constexpr const char* kFileName = "mp3.ini";

// $HOME, or the home folder the user database gives when HOME is unset.
QString HomeFolder() {
  const QString home = qEnvironmentVariable("HOME");
  if (!home.isEmpty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return QString::fromLocal8Bit(found->pw_dir);
  return {};
}

}  // namespace

bool FolderIsWritable(const QString& folder) { return ::access(QFile::encodeName(folder).constData(), W_OK) == 0; }

QString ChooseSettingsFile(const QString& executableDirectory, const QString& xdgConfigHome, const QString& home,
                           const std::function<bool(const QString& folder)>& writable) {
  const QString beside = QDir(executableDirectory).filePath(kFileName);
  if (writable(executableDirectory) || QFileInfo::exists(beside)) return beside;
  QString configHome = xdgConfigHome;
  if (configHome.isEmpty() || QDir::isRelativePath(configHome)) {
    if (home.isEmpty()) return beside;
    configHome = QDir(home).filePath(".config");
  }
  return QDir(configHome).filePath(QStringLiteral("morva/") + kFileName);
}

QString SettingsFileOfThisRun(const QString& executableDirectory) {
  return ChooseSettingsFile(executableDirectory, qEnvironmentVariable("XDG_CONFIG_HOME"), HomeFolder());
}

bool MakeSettingsFolder(const QString& settingsFile) {
  // The missing folders, the outermost first.
  QStringList missing;
  for (QString folder = QFileInfo(settingsFile).path(); !QFileInfo::exists(folder);
       folder = QFileInfo(folder).path()) {
    missing.push_front(folder);
    if (folder == QFileInfo(folder).path()) break;  // the root: nothing above
  }
  for (const QString& folder : missing)
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) return false;
  return true;
}
