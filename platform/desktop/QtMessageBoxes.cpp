#include "platform/desktop/QtMessageBoxes.h"

#include "platform/desktop/Screen.h"

#include <cstdio>

#include <QGuiApplication>
#include <QMessageBox>

void QtMessageBoxes::Show(const QString& text, const QString& title, Icon icon) {
  if (!HasScreen()) {
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
