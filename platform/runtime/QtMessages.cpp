#include "platform/runtime/QtMessages.h"

#include <cstdio>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace {

void Filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  // As Qt's own handler writes it; after a fatal one Qt ends the program.
  const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
  std::fprintf(stderr, "%s\n", line.constData());
}

}  // namespace

void KeepQtChatterOffStandardError() { qInstallMessageHandler(Filter); }
