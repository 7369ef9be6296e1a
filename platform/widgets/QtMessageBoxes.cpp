#include "platform/widgets/QtMessageBoxes.h"

#include <cstdio>

#include <QGuiApplication>
#include <QMessageBox>

bool QtMessageBoxes::HasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void QtMessageBoxes::Show(const QString& text, const QString& title, Icon icon) {
  if (!HasDisplay()) {
    std::fprintf(stderr, "[%s] %s\n", title.toUtf8().constData(), text.toUtf8().constData());
    std::fflush(stderr);
    return;
  }
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                  QMessageBox::Ok);
  // The main window stays on top; the box must not open behind it.
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}
