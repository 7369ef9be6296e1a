#include "tests/support/irc/ScriptedIrcServer.h"

ScriptedIrcServer::ScriptedIrcServer(Greeting greeting, Answer answer)
    : greeting_(std::move(greeting)), answer_(std::move(answer)) {
  server_.listen(QHostAddress::LocalHost);
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      sockets_.emplace_back(socket);
      arrivals_.push_back(Clock::now());
      QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray line = socket->readLine().trimmed();
          received_.push_back(line);
          if (answer_) Send(socket, answer_(line));
        }
      });
      Send(socket, greeting_(connections()));
    }
  });
}

void ScriptedIrcServer::Send(QTcpSocket* socket, const QByteArray& bytes) {
  if (!bytes.endsWith(kHangUp)) return void(socket->write(bytes));
  socket->write(bytes.chopped(kHangUp.size()));
  socket->disconnectFromHost();
}
