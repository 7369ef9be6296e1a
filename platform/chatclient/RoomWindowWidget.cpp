#include "platform/chatclient/RoomWindowWidget.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/chatclient/ChatClient.h"

namespace {

// The desktop keeps the transcript readable; the room keeps more.
constexpr int kShownBlocks = 2000;
// A line longer than this is shown as plain text: laying out a huge
// fragment of HTML would freeze the window.
constexpr qsizetype kLongestHtmlLine = 16 * 1024;

}  // namespace

RoomWindowWidget::RoomWindowWidget(ChatClient& client, QWidget* parent)
    : QWidget(parent), client_(client), transcript_(new QTextBrowser(this)), members_(new QListWidget(this)),
      input_(new QLineEdit(this)) {
  // Closing the room window leaves the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Links members send open in the browser, web addresses only.
  transcript_->setOpenLinks(false);
  connect(transcript_, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
      QDesktopServices::openUrl(url);
  });
  transcript_->document()->setMaximumBlockCount(kShownBlocks);
  members_->setMaximumWidth(180);
  auto* send = new QPushButton(tr("Send"), this);

  auto* top = new QHBoxLayout;
  top->addWidget(transcript_, 1);
  top->addWidget(members_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(input_, 1);
  bottom->addWidget(send);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);
  resize(640, 420);

  connect(send, &QPushButton::clicked, this, &RoomWindowWidget::Send);
  connect(input_, &QLineEdit::returnPressed, this, &RoomWindowWidget::Send);
  connect(&client_, &ChatClient::lineShown, this, &RoomWindowWidget::AppendLine);
  connect(&client_, &ChatClient::roomChanged, this, &RoomWindowWidget::ShowRoom);
  connect(&client_, &ChatClient::membersChanged, this, &RoomWindowWidget::ShowMembers);
  connect(&client_, &ChatClient::closed, this, &QWidget::close);
  connect(&client_, &ChatClient::notice, this,
          [this](const QString& text) { transcript_->append("<i>*** " + text.toHtmlEscaped() + "</i>"); });
  ShowRoom();
}

void RoomWindowWidget::ShowRoom() {
  transcript_->clear();
  const QString room = client_.openRoomName();
  setWindowTitle(room.isEmpty() ? tr("No room open") : client_.RoomTitle());
  input_->setEnabled(!room.isEmpty());
  const std::vector<ChatLine> lines = client_.Lines();
  const std::size_t first = lines.size() > kShownBlocks ? lines.size() - kShownBlocks : 0;
  for (std::size_t i = first; i < lines.size(); ++i) AppendLine(lines[i].screenName, lines[i].text);
  ShowMembers();
}

void RoomWindowWidget::AppendLine(const QString& screenName, const QString& text) {
  const QString body = text.size() > kLongestHtmlLine ? text.left(kLongestHtmlLine).toHtmlEscaped() : text;
  transcript_->append(QStringLiteral("<b>") + screenName.toHtmlEscaped() + QStringLiteral(":</b> ") + body);
}

void RoomWindowWidget::ShowMembers() {
  members_->clear();
  members_->addItems(client_.Members());
}

void RoomWindowWidget::Send() {
  const QString text = input_->text();
  input_->clear();
  client_.TypeLine(text);
}
