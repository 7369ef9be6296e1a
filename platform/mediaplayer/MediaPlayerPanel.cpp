#include "platform/mediaplayer/MediaPlayerPanel.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <cmath>

#include "platform/mediaplayer/Mp3Player.h"
#include "platform/mediaplayer/TimeText.h"

namespace {

constexpr int kRefreshMs = 250;

QToolButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QString& tip,
                        QRect geometry) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(text);
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

MediaPlayerPanel::MediaPlayerPanel(Mp3Player& player, QWidget* parent)
    : QWidget(parent), player_(player) {
  setFixedSize(kWidth, kHeight);
  // The panel's own look: light text on a dark face, whatever it sits on.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(24, 24, 24));
  colours.setColor(QPalette::WindowText, QColor(230, 230, 230));
  setPalette(colours);
  setAutoFillBackground(true);

  seek_ = new QSlider(Qt::Horizontal, this);
  seek_->setObjectName(QStringLiteral("seek"));
  seek_->setAccessibleName(tr("Position"));
  seek_->setFocusPolicy(Qt::NoFocus);
  seek_->setGeometry(4, 2, kWidth - 8, 18);

  play_ = MakeButton(this, QStringLiteral("play"), QStringLiteral("\u25B6"), tr("Play"), {4, 24, 24, 22});
  pause_ = MakeButton(this, QStringLiteral("pause"), QStringLiteral("\u275A\u275A"), tr("Pause"), {30, 24, 24, 22});
  stop_ = MakeButton(this, QStringLiteral("stop"), QStringLiteral("\u25A0"), tr("Stop"), {56, 24, 24, 22});
  mute_ = MakeButton(this, QStringLiteral("mute"), tr("Mute"), tr("Mute"), {84, 24, 44, 22});
  mute_->setCheckable(true);

  time_ = new QLabel(this);
  time_->setObjectName(QStringLiteral("time"));
  time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  time_->setGeometry(130, 24, kWidth - 134, 22);

  connect(play_, &QToolButton::clicked, this, [this] { player_.Play(); Refresh(); });
  connect(pause_, &QToolButton::clicked, this, [this] { player_.Pause(); Refresh(); });
  connect(stop_, &QToolButton::clicked, this, [this] { player_.Stop(); Refresh(); });
  connect(mute_, &QToolButton::toggled, this, [this](bool on) { player_.SetMute(on); });
  // The bar moves playback when the user lets go of it, or clicks or pages it.
  connect(seek_, &QSlider::sliderReleased, this, [this] { player_.Seek(seek_->value() / 1000.0); Refresh(); });
  connect(seek_, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove) {
      QTimer::singleShot(0, this, [this] { player_.Seek(seek_->value() / 1000.0); Refresh(); });
    }
  });

  connect(&player_, &Mp3Player::playStateChanged, this, [this] { Refresh(); });
  connect(&player_, &Mp3Player::fileOpened, this, [this] { Refresh(); });
  connect(&player_, &Mp3Player::durationChanged, this, [this] { Refresh(); });
  connect(&player_, &Mp3Player::muteChanged, this, [this] { Refresh(); });

  connect(&player_, &Mp3Player::seeked, this, [this] { Refresh(); });

  // The elapsed time moves only while the player plays: the timer runs then
  // and no longer, so an idle panel never wakes the program.
  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &MediaPlayerPanel::Refresh);
  Refresh();
}

void MediaPlayerPanel::Refresh() {
  const int state = player_.PlayState();
  const bool open = state != Mp3Player::kClosed;
  if (state == Mp3Player::kPlaying && !timer_->isActive()) timer_->start();
  if (state != Mp3Player::kPlaying && timer_->isActive()) timer_->stop();
  play_->setEnabled(open && state != Mp3Player::kPlaying);
  pause_->setEnabled(state == Mp3Player::kPlaying);
  stop_->setEnabled(state == Mp3Player::kPlaying || state == Mp3Player::kPaused);

  if (mute_->isChecked() != player_.Muted()) {
    const QSignalBlocker quiet(mute_);
    mute_->setChecked(player_.Muted());
  }

  const double duration = player_.Duration();
  const double position = player_.Position();
  seek_->setEnabled(open);
  if (!seek_->isSliderDown()) {
    const QSignalBlocker quiet(seek_);
    seek_->setRange(0, static_cast<int>(std::lround(duration * 1000.0)));
    seek_->setPageStep(std::max(1, seek_->maximum() / 10));
    seek_->setValue(static_cast<int>(std::lround(position * 1000.0)));
  }
  time_->setText(open ? TimeText(position) + QStringLiteral(" / ") + TimeText(duration) : QString());
}
