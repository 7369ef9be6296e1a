#pragma once

#include <optional>

#include <QColor>
#include <QLabel>
#include <QMouseEvent>

// A label used as a button: a left click raises Click(). Its caption sits at
// the top left with no padding, so leading spaces place the glyph.
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(const QString& caption, QWidget* parent = nullptr) : QLabel(caption, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    setTextFormat(Qt::PlainText);
  }

  // Text colour, and a background colour; no background leaves the label
  // transparent over whatever lies behind it.
  void SetColours(const QColor& text, std::optional<QColor> background = std::nullopt) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, text);
    if (background) colours.setColor(QPalette::Window, *background);
    setPalette(colours);
    setAutoFillBackground(background.has_value());
  }

 signals:
  void Click();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click();
    QLabel::mouseReleaseEvent(event);
  }
  // A press on the label belongs to the label, not to the window behind it.
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};
