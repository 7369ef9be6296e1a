#include "platform/chatclient/ChatInputLine.h"

#include <algorithm>

#include <QEvent>
#include <QKeyEvent>

ChatInputLine::ChatInputLine(QWidget* parent) : QLineEdit(parent) {}

QString ChatInputLine::Take() {
  const QString line = text();
  if (!line.trimmed().isEmpty() && (history_.empty() || history_.back() != line)) {
    history_.push_back(line);
    if (history_.size() > kKeptLines) history_.erase(history_.begin());
  }
  recalled_ = history_.size();
  draft_.clear();
  completion_.reset();
  clear();
  return line;
}

bool ChatInputLine::event(QEvent* event) {
  // Tab completes here; it never moves the focus away.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      Complete();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void ChatInputLine::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) return Recall(-1);
  if (event->key() == Qt::Key_Down) return Recall(+1);
  QLineEdit::keyPressEvent(event);
}

void ChatInputLine::Recall(int step) {
  if (step < 0 && recalled_ == 0) return;
  if (step > 0 && recalled_ >= history_.size()) return;
  if (recalled_ == history_.size()) draft_ = text();
  recalled_ = static_cast<std::size_t>(static_cast<long>(recalled_) + step);
  setText(recalled_ == history_.size() ? draft_ : history_[recalled_]);
  completion_.reset();
}

void ChatInputLine::Complete() {
  if (!completion_ || completion_->result != text()) {
    const QString line = text();
    const qsizetype cursor = cursorPosition();
    qsizetype start = cursor;
    while (start > 0 && !line[start - 1].isSpace()) --start;
    Completion fresh;
    fresh.start = start;
    fresh.typed = line.mid(start, cursor - start);
    if (fresh.typed.isEmpty() || !names_) return;
    for (const QString& name : names_()) {
      if (name.startsWith(fresh.typed, Qt::CaseInsensitive)) fresh.fits.push_back(name);
    }
    if (fresh.fits.isEmpty()) return;
    std::sort(fresh.fits.begin(), fresh.fits.end(),
              [](const QString& a, const QString& b) { return a.toCaseFolded() < b.toCaseFolded(); });
    fresh.shown = -1;
    completion_ = std::move(fresh);
  }
  Completion& c = *completion_;
  c.shown = (c.shown + 1) % c.fits.size();
  // What follows the completed word stays where it was.
  const QString line = text();
  qsizetype end = c.start;
  while (end < line.size() && !line[end].isSpace() && line[end] != u':') ++end;
  if (end < line.size() && line[end] == u':') ++end;
  while (end < line.size() && line[end].isSpace()) ++end;
  const QString completed = c.fits[c.shown] + (c.start == 0 ? QStringLiteral(": ") : QStringLiteral(" "));
  setText(line.left(c.start) + completed + line.mid(end));
  setCursorPosition(c.start + completed.size());
  c.result = text();
}
