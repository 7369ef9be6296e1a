#include "tests/support/irc/IrssiClient.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr const char* kSession = "owner";

}  // namespace

IrssiClient::IrssiClient() = default;

IrssiClient::~IrssiClient() {
  if (started_) Tmux({"kill-server"});
}

int IrssiClient::Tmux(const QStringList& arguments, QByteArray* output) const {
  QProcess tmux;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", dir_.path());
  environment.insert("TERM", "xterm-256color");
  environment.remove("TMUX");
  tmux.setProcessEnvironment(environment);
  tmux.start("tmux", QStringList{"-S", dir_.filePath("tmux.socket"), "-f", "/dev/null"} + arguments);
  if (!tmux.waitForFinished(10000)) {
    tmux.kill();
    tmux.waitForFinished();
    return -1;
  }
  if (output) *output = tmux.readAllStandardOutput();
  return tmux.exitStatus() == QProcess::NormalExit ? tmux.exitCode() : -1;
}

bool IrssiClient::Start(quint16 port, const QByteArray& password, const QByteArray& nick, const QByteArray& channel) {
  const QString home = dir_.filePath("irssi");
  QDir().mkpath(home + "/logs");
  QFile config(home + "/config");
  if (!config.open(QIODevice::WriteOnly)) {
    error_ = "cannot write " + config.fileName();
    return false;
  }
  config.write("servers = ( { address = \"127.0.0.1\"; chatnet = \"morva\"; port = \"" + QByteArray::number(port) +
               "\"; password = \"" + password + "\"; autoconnect = \"yes\"; use_tls = \"no\"; } );\n"
               "chatnets = { morva = { type = \"IRC\"; nick = \"" + nick + "\"; }; };\n"
               "channels = ( { name = \"" + channel + "\"; chatnet = \"morva\"; autojoin = \"yes\"; } );\n"
               "settings = {\n"
               "  core = { real_name = \"Owner\"; user_name = \"owner\"; nick = \"" + nick + "\";\n"
               "    server_reconnect_time = \"2\"; settings_autosave = \"no\"; };\n"
               "  \"fe-common/core\" = { autolog = \"yes\"; autolog_level = \"all\";\n"
               "    autolog_path = \"" + QFile::encodeName(home) + "/logs/$0.log\"; };\n"
               "};\n");
  config.close();
  const QString command = "exec irssi --home=" + home + " -n " + QString::fromUtf8(nick);
  if (Tmux({"new-session", "-d", "-s", kSession, "-x", "160", "-y", "40", command}) != 0) {
    error_ = "tmux could not start irssi";
    return false;
  }
  started_ = true;
  return true;
}

void IrssiClient::Type(const QString& line) {
  Tmux({"send-keys", "-t", kSession, "-l", line});
  Tmux({"send-keys", "-t", kSession, "Enter"});
}

QByteArray IrssiClient::Log(const QString& channel) const {
  QFile log(dir_.filePath("irssi/logs/" + channel.toLower() + ".log"));
  return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

QString IrssiClient::Screen() const {
  QByteArray screen;
  Tmux({"capture-pane", "-p", "-t", kSession}, &screen);
  return QString::fromUtf8(screen);
}
