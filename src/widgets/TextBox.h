#pragma once

#include <QLineEdit>

// A one-line text box.
class TextBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit TextBox(const QString& text = QString(), QWidget* parent = nullptr) : QLineEdit(text, parent) {}

  QString Text() const { return text(); }
  void SetText(const QString& value) { setText(value); }
};
