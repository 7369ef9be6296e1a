#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QLineEdit>
#include <QStringList>

// The room window's input box: a line editor that remembers what was sent
// (Up and Down walk back and forth through it, and back to the line being
// written) and completes a member's name at the cursor with Tab, keeping the
// focus: Tab again offers the next name that fits. A name completed at the
// start of the line gets ": " after it, elsewhere a blank.
class ChatInputLine : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr std::size_t kKeptLines = 200;

  explicit ChatInputLine(QWidget* parent = nullptr);

  // The names Tab completes; it offers those that fit in order of name.
  void SetNames(std::function<QStringList()> names) { names_ = std::move(names); }
  // Takes the line into the history and empties the box; returns the line.
  QString Take();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Complete();
  void Recall(int step);

  std::function<QStringList()> names_;
  std::vector<QString> history_;
  std::size_t recalled_ = 0;  // history_.size(): the line being written
  QString draft_;             // the line being written, while an older one shows
  // The completion under way: where the word starts, what was typed of it,
  // the names that fit and the one shown; none once anything else is typed.
  struct Completion {
    qsizetype start = 0;
    QString typed;
    QStringList fits;
    qsizetype shown = 0;
    QString result;  // the box's text after the completion
  };
  std::optional<Completion> completion_;
};
