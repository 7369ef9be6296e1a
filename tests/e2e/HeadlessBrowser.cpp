#include "tests/e2e/HeadlessBrowser.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include "tests/support/WaitUntil.h"

namespace {

constexpr const char* kProgram = "chromium-headless-shell";
// Debian's /usr/bin/chromium-headless-shell is a shell script that runs the
// browser as its child, which a signal to the script would leave running:
// the browser itself is started where it is found.
constexpr const char* kBrowserItself = "/usr/lib/chromium/chromium-headless-shell";
// A browser on a busy machine takes its time to start.
constexpr auto kStartLimit = std::chrono::seconds(60);

}  // namespace

HeadlessBrowser::HeadlessBrowser(const QString& folder) : folder_(folder) {
  QDir().mkpath(folder_);
  QObject::connect(&socket_, &QWebSocket::textMessageReceived, [this](const QString& text) {
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    if (waitingFor_ != 0 && message.value("id").toInt() == waitingFor_) answer_ = message;
  });
}

HeadlessBrowser::~HeadlessBrowser() {
  socket_.abort();
  if (process_.state() == QProcess::NotRunning) return;
  // Asked to end, the browser takes its helper processes with it.
  process_.terminate();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

QString HeadlessBrowser::Start(bool* cannotStart) {
  *cannotStart = false;
  const QString program =
      QFile::exists(kBrowserItself) ? QString(kBrowserItself) : QStandardPaths::findExecutable(kProgram);
  if (program.isEmpty()) return QString(kProgram) + " is not installed (scripts/deps.sh installs it)";
  QStringList arguments{"--user-data-dir=" + folder_ + "/profile", "--remote-debugging-port=0",
                        "--autoplay-policy=no-user-gesture-required", "--mute-audio", "--disable-gpu",
                        "--no-first-run", "about:blank"};
  // Chromium's own sandbox refuses to run as root.
  if (::geteuid() == 0) arguments.prepend("--no-sandbox");
  // Its log goes to a file, so that a test busy elsewhere never holds it up.
  const QString log = folder_ + "/browser.log";
  process_.setStandardOutputFile(QProcess::nullDevice());
  process_.setStandardErrorFile(log);
  process_.start(program, arguments);
  if (!process_.waitForStarted(10000)) {
    *cannotStart = true;
    return QString(kProgram) + " does not start";
  }
  // It says where its DevTools listen on standard error.
  QByteArray said;
  QString address;
  const bool listening = WaitUntil(
      [&] {
        QFile file(log);
        if (file.open(QIODevice::ReadOnly)) said = file.readAll();
        const QRegularExpressionMatch match =
            QRegularExpression("DevTools listening on (ws://\\S+)").match(QString::fromUtf8(said));
        if (match.hasMatch()) address = match.captured(1);
        return !address.isEmpty() || process_.state() == QProcess::NotRunning;
      },
      kStartLimit);
  if (address.isEmpty()) {
    *cannotStart = !listening || process_.state() == QProcess::NotRunning;
    return QString(kProgram) + " never listened for DevTools: " + QString::fromUtf8(said.right(2000));
  }
  socket_.open(QUrl(address));
  if (!WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, std::chrono::seconds(15)))
    return "cannot reach the browser's DevTools at " + address;
  // The page that about:blank opened; commands go to it through a session.
  const QJsonArray targets = Call("Target.getTargets", {}).value("targetInfos").toArray();
  QString page;
  for (const QJsonValue& target : targets) {
    if (target.toObject().value("type").toString() == "page") page = target.toObject().value("targetId").toString();
  }
  if (page.isEmpty()) return "the browser has no page";
  session_ = Call("Target.attachToTarget", {{"targetId", page}, {"flatten", true}}).value("sessionId").toString();
  return session_.isEmpty() ? "cannot attach to the browser's page" : QString();
}

bool HeadlessBrowser::Navigate(const QString& url) {
  const QJsonObject result = Call("Page.navigate", {{"url", url}});
  return result.contains("frameId") && !result.contains("errorText");
}

QJsonValue HeadlessBrowser::Evaluate(const QString& expression) {
  const QJsonObject result = Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
  if (result.contains("exceptionDetails")) return QJsonValue(QJsonValue::Undefined);
  return result.value("result").toObject().value("value");
}

QJsonObject HeadlessBrowser::Call(const QString& method, const QJsonObject& params,
                                  std::chrono::milliseconds limit) {
  QJsonObject command{{"id", ++lastId_}, {"method", method}, {"params", params}};
  if (!session_.isEmpty()) command.insert("sessionId", session_);
  answer_ = {};
  waitingFor_ = lastId_;
  socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
  WaitUntil([&] { return !answer_.isEmpty() || socket_.state() != QAbstractSocket::ConnectedState; }, limit);
  waitingFor_ = 0;
  return answer_.value("result").toObject();
}
