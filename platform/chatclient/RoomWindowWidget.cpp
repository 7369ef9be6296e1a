#include "platform/chatclient/RoomWindowWidget.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/ChatInputLine.h"

namespace {

// The window shows whatever the room keeps, and no more.
constexpr int kShownBlocks = static_cast<int>(ChatRoom::kKeptLines);
// Text whose contrast with the background is lower than this is hard to read.
constexpr double kLeastContrast = 3.0;

double Luminance(const QColor& colour) {
  auto linear = [](int value) {
    const double v = value / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) + 0.0722 * linear(colour.blue());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour, moved toward the text's own colour until it reads on the
// background: white text on a white window shows grey.
QColor Readable(QColor colour, const QColor& background, const QColor& text) {
  for (int step = 0; step < 8 && Contrast(colour, background) < kLeastContrast; ++step) {
    auto toward = [](int from, int to) { return from + (to - from) * 2 / 5; };
    colour = QColor(toward(colour.red(), text.red()), toward(colour.green(), text.green()),
                    toward(colour.blue(), text.blue()));
  }
  return colour;
}

}  // namespace

RoomWindowWidget::RoomWindowWidget(ChatClient& client, QWidget* parent)
    : QWidget(parent), client_(client), transcript_(new QTextEdit(this)), headCount_(new QLabel(this)),
      members_(new QListWidget(this)), input_(new ChatInputLine(this)) {
  // The program ends through the chat client's closing, not through Qt's.
  setAttribute(Qt::WA_QuitOnClose, false);
  transcript_->setReadOnly(true);
  transcript_->setUndoRedoEnabled(false);
  transcript_->document()->setMaximumBlockCount(kShownBlocks);
  members_->setMaximumWidth(180);
  input_->SetNames([this] { return client_.Members(); });
  auto* send = new QPushButton(tr("Send"), this);
  send->setFocusPolicy(Qt::NoFocus);

  auto* side = new QVBoxLayout;
  side->addWidget(headCount_);
  side->addWidget(members_, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(transcript_, 1);
  top->addLayout(side);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(input_, 1);
  bottom->addWidget(send);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);
  resize(640, 420);
  input_->setFocus();

  connect(send, &QPushButton::clicked, this, &RoomWindowWidget::Send);
  connect(input_, &QLineEdit::returnPressed, this, &RoomWindowWidget::Send);
  connect(&client_, &ChatClient::lineAdded, this, &RoomWindowWidget::AppendLine);
  connect(&client_, &ChatClient::roomChanged, this, &RoomWindowWidget::ShowRoom);
  connect(&client_, &ChatClient::membersChanged, this, &RoomWindowWidget::ShowMembers);
  connect(&client_, &ChatClient::closed, this, &QWidget::close);
  connect(&client_, &ChatClient::notice, this, &RoomWindowWidget::AppendNotice);
  ShowRoom();
}

void RoomWindowWidget::ShowRoom() {
  transcript_->clear();
  const QString room = client_.openRoomName();
  setWindowTitle(room.isEmpty() ? tr("No room open") : client_.RoomTitle());
  const std::vector<ChatLine> lines = client_.Lines();
  const std::size_t first = lines.size() > kShownBlocks ? lines.size() - kShownBlocks : 0;
  for (std::size_t i = first; i < lines.size(); ++i) AppendLine(lines[i]);
  ShowMembers();
}

void RoomWindowWidget::AppendLine(const ChatLine& line) {
  QTextCursor cursor(transcript_->document());
  cursor.movePosition(QTextCursor::End);
  if (!transcript_->document()->isEmpty()) cursor.insertBlock();
  const QPalette& colours = transcript_->palette();
  const QColor background = colours.color(QPalette::Base);
  const QColor textColour = colours.color(QPalette::Text);

  QTextCharFormat quiet;
  quiet.setForeground(Readable(QColor(0x80, 0x80, 0x80), background, textColour));
  if (line.time.isValid()) cursor.insertText(line.time.toString(QStringLiteral("HH:mm ")), quiet);

  // How the line's own text starts out, before its tags.
  QTextCharFormat base;
  switch (line.kind) {
    case ChatLine::Kind::Said: {
      QTextCharFormat name;
      name.setFontWeight(QFont::Bold);
      cursor.insertText(line.screenName + QStringLiteral(": "), name);
      break;
    }
    case ChatLine::Kind::Action:
      base.setForeground(Readable(QColor(0x9c, 0x00, 0x9c), background, textColour));
      cursor.insertText(QStringLiteral("* ") + line.screenName + ' ', base);
      break;
    case ChatLine::Kind::Private:
      base.setForeground(Readable(QColor(0x00, 0x70, 0x90), background, textColour));
      cursor.insertText(QStringLiteral("-> *") + line.screenName + QStringLiteral("* "), base);
      break;
    case ChatLine::Kind::Event:
      base.setForeground(Readable(QColor(0x00, 0x80, 0x00), background, textColour));
      cursor.insertText(QStringLiteral("-- "), base);
      break;
  }

  const qsizetype shown = std::min(line.text.size(), kLongestShownLine);
  for (const chathtml::ChatRun& run : chathtml::ReadChatHtml(QStringView(line.text).left(shown))) {
    QTextCharFormat format = base;
    const chathtml::ChatStyle& style = run.style;
    if (style.background) {
      // The colours as the sender chose them; only a clash is mended, toward
      // whichever of black and white reads on his background.
      const QColor back = QColor::fromRgb(*style.background);
      const QColor legible = Luminance(back) > 0.18 ? QColor(0, 0, 0) : QColor(255, 255, 255);
      QColor front = textColour;
      if (style.colour) {
        front = QColor::fromRgb(*style.colour);
      } else if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        front = format.foreground().color();
      }
      format.setBackground(back);
      format.setForeground(Readable(front, back, legible));
    } else if (style.colour) {
      format.setForeground(Readable(QColor::fromRgb(*style.colour), background, textColour));
    }
    if (!style.face.isEmpty()) format.setFontFamilies({style.face});
    if (style.bold) format.setFontWeight(QFont::Bold);
    if (style.italic) format.setFontItalic(true);
    if (style.underline) format.setFontUnderline(true);
    cursor.insertText(run.text, format);
  }
  if (shown < line.text.size())
    cursor.insertText(tr(" ... (%1 more characters not shown)").arg(line.text.size() - shown), quiet);
  transcript_->setTextCursor(cursor);
  transcript_->ensureCursorVisible();
}

void RoomWindowWidget::AppendNotice(const QString& text) {
  QTextCursor cursor(transcript_->document());
  cursor.movePosition(QTextCursor::End);
  if (!transcript_->document()->isEmpty()) cursor.insertBlock();
  QTextCharFormat quiet;
  quiet.setForeground(Readable(QColor(0x80, 0x80, 0x80), transcript_->palette().color(QPalette::Base),
                               transcript_->palette().color(QPalette::Text)));
  quiet.setFontItalic(true);
  cursor.insertText(QTime::currentTime().toString(QStringLiteral("HH:mm ")) + QStringLiteral("*** ") +
                        ChatRoom::SingleLine(text.left(kLongestShownLine)),
                    quiet);
  transcript_->setTextCursor(cursor);
  transcript_->ensureCursorVisible();
}

void RoomWindowWidget::ShowMembers() {
  const QStringList members = client_.MemberList();
  headCount_->setText(members.size() == 1 ? tr("1 person here") : tr("%1 people here").arg(members.size()));
  members_->clear();
  members_->addItems(members);
}

void RoomWindowWidget::Send() { client_.TypeLine(input_->Take()); }

void RoomWindowWidget::closeEvent(QCloseEvent* event) {
  if (!client_.isRunning()) return event->accept();
  const QString stops = whatStops_ ? whatStops_() : QString();
  if (!stops.isEmpty()) {
    const QString question = tr("Closing the chat room window signs you off and ends Morva MP3: %1 will stop.\n"
                                "Close it?")
                                 .arg(stops);
    const bool close = ask_ ? ask_(question)
                            : QMessageBox::question(this, tr("Morva MP3"), question) == QMessageBox::Yes;
    if (!close) return event->ignore();
  }
  event->accept();
  client_.Close();
}
