#include "platform/chatclient/Console.h"

#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/ChatClient.h"

Console::Console(ChatClient& client, FILE* in, FILE* out, QObject* parent)
    : QObject(parent), client_(client), in_(in), out_(out), quit_([] { QCoreApplication::exit(0); }) {
  connect(&client_, &ChatClient::lineAdded, this, [this](const ChatLine& line) { WriteLine(Shown(line)); });
  connect(&client_, &ChatClient::roomChanged, this,
          [this](const QString& room) { WriteLine(QStringLiteral("*** Now in room ") + room); });
  connect(&client_, &ChatClient::notice, this, [this](const QString& text) { WriteLine(QStringLiteral("*** ") + text); });
  // However the client was closed ("/quit" here or in the room window, or
  // the room window itself), the program ends with it.
  connect(&client_, &ChatClient::closed, this, [this] {
    if (quitting_) return;
    quitting_ = true;
    if (notifier_) StopReading();
    if (quit_) quit_();
  });
}

QString Console::Shown(const ChatLine& line) {
  switch (line.kind) {
    case ChatLine::Kind::Said:
      return line.screenName + QStringLiteral(": ") + chathtml::ChatHtmlText(line.text);
    case ChatLine::Kind::Action:
      return QStringLiteral("* ") + line.screenName + ' ' + chathtml::ChatHtmlText(line.text);
    case ChatLine::Kind::Private:
      return QStringLiteral("-> *") + line.screenName + QStringLiteral("* ") + chathtml::ChatHtmlText(line.text);
    case ChatLine::Kind::Event:
      break;
  }
  return QStringLiteral("*** ") + chathtml::ChatHtmlText(line.text);
}

Console::~Console() = default;

void Console::WriteLine(const QString& line) {
  if (!out_) return;
  // The room holds single lines only; toUtf8 makes well-formed UTF-8 of anything.
  QByteArray bytes = ChatRoom::SingleLine(line).toUtf8();
  bytes.append('\n');
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
  std::fflush(out_);
}

void Console::Start() {
  if (notifier_ || !in_) return;
  const int fd = fileno(in_);
  if (fd < 0) {
    emit inputClosed();
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &Console::ReadAvailable);
}

void Console::StopReading() {
  if (!notifier_) return;
  notifier_->setEnabled(false);
  // The notifier may be the sender of the signal being handled.
  notifier_.release()->deleteLater();
  emit inputClosed();
}

void Console::ReadAvailable() {
  if (!notifier_) return;
  char buffer[65536];
  const ssize_t count = ::read(notifier_->socket(), buffer, sizeof buffer);
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (count <= 0) {
    TakeLines(true);
    StopReading();
    return;
  }
  pending_.append(buffer, count);
  TakeLines(false);
}

void Console::TakeLines(bool atEnd) {
  qsizetype start = 0;
  for (qsizetype feed = pending_.indexOf('\n'); feed >= 0; feed = pending_.indexOf('\n', start)) {
    QByteArray line = pending_.mid(start, feed - start);
    start = feed + 1;
    if (discarding_) {
      discarding_ = false;
      continue;
    }
    HandleInputLine(std::move(line));
    if (quitting_) return;
  }
  pending_.remove(0, start);
  if (!discarding_ && pending_.size() > kMaxLineBytes) {
    HandleInputLine(pending_.left(kMaxLineBytes));
    discarding_ = true;
  }
  if (discarding_) pending_.clear();
  if (atEnd && !pending_.isEmpty() && !quitting_) {
    HandleInputLine(std::move(pending_));
    pending_.clear();
  }
}

void Console::HandleInputLine(QByteArray line) {
  if (line.endsWith('\r')) line.chop(1);
  line.replace('\0', QByteArray());
  if (line.size() > kMaxLineBytes) line.truncate(kMaxLineBytes);
  const QString text = QString::fromUtf8(line);

  if (quitting_) return;
  client_.TypeLine(text);
}
