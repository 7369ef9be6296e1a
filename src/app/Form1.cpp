#include "src/app/Form1.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "src/widgets/ListColours.h"
#include "src/widgets/SystemColours.h"
#include "src/app/BackgroundPicture.h"

namespace {

constexpr int Pixels(int twips) { return twips / Form1::kTwipsPerPixel; }

// Places a control at its bounds in twips within the client area.
void Place(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

QFont FontOf(const QString& family, double points, QFont::StyleHint hint) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setStyleHint(hint);  // the family may be missing; Qt falls back by hint
  return font;
}

}  // namespace

Form1::Form1(Platform platform)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      MediaPlayer1(platform.mediaPlayer),
      Chat1(platform.chatScanner),
      CDPlayer1(platform.cdPlayer),
      platform_(std::move(platform)),
      aol_(platform_.win32, platform_.runtime) {
  setWindowTitle(QString());
  setFont(FontOf("MS Sans Serif", 8.25, QFont::SansSerif));
  BuildControls();
  session_.emplace(Session{aol_, MediaPlayer1, CDPlayer1, *List2, *File1, *Text2, platform_.runtime,
                           platform_.messageBoxes, platform_.process, SettingsFilePath(), *this, 0, {}});
  session_->stream = platform_.stream;
  StyleControls();
  SetOuterHeight(kDesignOuterHeight);
  PlaceInCorner();
  hwnd_ = platform_.win32.CreateWindowA(
      "ThunderRT6FormDC", "", kNullWindow,
      [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProcedure(window, message, wParam, lParam);
      });
  Chat1.SetLineReceivedHandler(
      [this](const QString& screenName, const QString& text) { Chat1_LineReceived(screenName, text); });
  MediaPlayer1.SetEndOfStreamHandler([this] { MediaPlayer1_EndOfStream(); });
}

Form1::~Form1() {
  Chat1.SetLineReceivedHandler(nullptr);
  MediaPlayer1.SetEndOfStreamHandler(nullptr);
  platform_.win32.DestroyWindow(hwnd_);
}

void Form1::BuildControls() {
  ClientArea = new BackgroundPicture(this);
  QWidget* client = ClientArea;

  // Labels first, and lowered: they lie behind every other control.
  Label1 = new ClickLabel("  -", client);
  Label7 = new ClickLabel("  x", client);
  Label5 = new ClickLabel("     v", client);
  Label6 = new ClickLabel("  ^", client);
  Label8 = new ClickLabel("  v", client);
  Label9 = new ClickLabel("  ^", client);
  List1 = new ListBox(client);
  File1 = new FileListBox(client);
  File1->SetPattern("*.mp3");
  File1->SetCollection(platform_.collection);
  Command1 = new CommandButton("dir:", client);
  Text2 = new TextBox(QString(), client);
  List2 = new ListBox(client);
  Text1 = new TextBox("Text1", client);
  // The player's panel is made last so that it lies in front of File1's foot.
  if (platform_.makeMediaPlayerPanel) MediaPlayerPanel = platform_.makeMediaPlayerPanel(client);

  Place(List1, 120, 120, 3615, 900);
  Place(File1, 120, 1200, 3855, 1065);
  Place(Command1, 120, 3000, 375, 255);
  Place(Text2, 600, 3000, 3375, 285);
  Place(Label1, 3720, 0, 255, 255);
  Place(Label7, 3960, 0, 255, 255);
  Place(Label5, 3720, 840, 495, 255);
  Place(Label6, 3960, 1200, 255, 255);
  Place(Label8, 3960, 2640, 255, 255);
  Place(Label9, 3960, 3000, 255, 255);
  // Below the lowest view's edge: present, never seen.
  Place(List2, 720, 3360, 3255, 255);
  Place(Text1, 2400, 4680, 2055, 2175);
  if (MediaPlayerPanel) {
    Place(MediaPlayerPanel, 120, 2160, 3855, 735);
    MediaPlayerPanel->raise();
    // It hides the file list's foot even where it draws nothing of its own;
    // there it shows the window's black.
    MediaPlayerPanel->setAutoFillBackground(true);
  }
  for (ClickLabel* label : {Label9, Label8, Label6, Label5, Label7, Label1}) label->lower();

  connect(File1, &FileListBox::Click, this, &Form1::File1_Click);
  connect(Command1, &CommandButton::Click, this, &Form1::Command1_Click);
  // Inside the text box, so that the row keeps its own geometry.
  DeepSwitch = new QAction(this);
  DeepSwitch->setToolTip("Subfolders: .deep lists the MP3s of every folder below, .xdeep the folder's own");
  Text2->addAction(DeepSwitch, QLineEdit::TrailingPosition);
  ShowDeepSwitch(false);
  connect(DeepSwitch, &QAction::triggered, this, &Form1::DeepSwitch_Click);
  connect(File1, &FileListBox::SubfoldersChanged, this, &Form1::ShowDeepSwitch);
  connect(Label1, &ClickLabel::Click, this, &Form1::Label1_Click);
  connect(Label5, &ClickLabel::Click, this, &Form1::Label5_Click);
  connect(Label6, &ClickLabel::Click, this, &Form1::Label6_Click);
  connect(Label7, &ClickLabel::Click, this, &Form1::Label7_Click);
  connect(Label8, &ClickLabel::Click, this, &Form1::Label8_Click);
  connect(Label9, &ClickLabel::Click, this, &Form1::Label9_Click);
}

void Form1::StyleControls() {
  SetListColours(*List1, QColor(255, 0, 0), QColor(0, 0, 0));
  List1->setFont(FontOf("Times New Roman", 8.25, QFont::Serif));
  SetListColours(*File1, QColor(255, 255, 255), QColor(0, 0, 64));

  const QColor glyph = ColourOf(SystemColour::HighlightText);
  Label1->SetColours(glyph);
  Label1->setFont(FontOf("Tahoma", 9, QFont::SansSerif));
  Label7->SetColours(glyph, ColourOf(SystemColour::MenuText));
  Label7->setFont(FontOf("Tahoma", 8.25, QFont::SansSerif));
  Label5->SetColours(glyph, ColourOf(SystemColour::WindowText));
  Label6->SetColours(glyph, ColourOf(SystemColour::ButtonText));
  Label8->SetColours(glyph);
  Label9->SetColours(glyph);
}

// The switch draws its state: a box, filled while subfolders are listed.
void Form1::ShowDeepSwitch(bool on) {
  QPixmap picture(12, 12);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(QColor(0, 0, 0));
  painter.drawRect(1, 1, 9, 9);
  if (on) painter.fillRect(3, 3, 6, 6, QColor(0, 0, 64));
  painter.end();
  DeepSwitch->setIcon(QIcon(picture));
  DeepSwitch->setCheckable(true);
  DeepSwitch->setChecked(on);
  DeepSwitch->setText(on ? "deep: on" : "deep: off");
}

// The top right corner of the screen: out of the way of whatever opens in
// the middle (the room window), and growing downwards from there.
void Form1::PlaceInCorner() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.x() + area.width() - width(), area.y());
}

QString Form1::SettingsFilePath() const { return platform_.settingsFolder + "/mp3.ini"; }

int Form1::OuterHeight() const { return height() * kTwipsPerPixel; }

void Form1::SetOuterHeight(int twips) {
  // Only the program sizes the window: the person cannot.
  setFixedSize(Pixels(kOuterWidth), Pixels(twips));
  const int frame = Pixels(kFrameTwips);
  ClientArea->setGeometry(frame, frame, width() - 2 * frame, std::max(0, height() - 2 * frame));
}

bool Form1::IsShown() const { return isVisible(); }
void Form1::ShowWindow() { show(); }
void Form1::HideWindow() { hide(); }
void Form1::Minimise() { setWindowState(windowState() | Qt::WindowMinimized); }
bool Form1::IsMinimised() const { return windowState() & Qt::WindowMinimized; }

bool Form1::IsTopmost() const {
  if (windowFlags() & Qt::WindowStaysOnTopHint) return true;
  const QWindow* window = windowHandle();
  return window && (window->flags() & Qt::WindowStaysOnTopHint);
}

void Form1::Label1_Click() { Minimise(); }
void Form1::Label5_Click() { SetOuterHeight(kPlayerView); }
void Form1::Label6_Click() { SetOuterHeight(kCommandView); }
void Form1::Label8_Click() { SetOuterHeight(kDirectoryView); }
void Form1::Label9_Click() { SetOuterHeight(kPlayerView); }

void Form1::Form_MouseDown() { aol_.DragWindow(hwnd_); }

void Form1::mousePressEvent(QMouseEvent* event) {
  // Presses reach us from the frame, from the background, and from controls
  // that pass theirs on; only the first two move the window.
  QWidget* hit = childAt(event->position().toPoint());
  if (hit && hit != ClientArea) {
    event->ignore();
    return;
  }
  event->accept();
  Form_MouseDown();
}

void Form1::paintEvent(QPaintEvent*) {
  // A raised dialog frame, three pixels wide.
  QPainter painter(this);
  const QRect r = rect();
  auto edge = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
    const QRect e = r.adjusted(inset, inset, -inset, -inset);
    painter.setPen(topLeft);
    painter.drawLine(e.topLeft(), e.topRight());
    painter.drawLine(e.topLeft(), e.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(e.bottomLeft(), e.bottomRight());
    painter.drawLine(e.topRight(), e.bottomRight());
  };
  edge(0, QColor(192, 192, 192), QColor(0, 0, 0));
  edge(1, QColor(255, 255, 255), QColor(128, 128, 128));
  edge(2, QColor(192, 192, 192), QColor(192, 192, 192));
}

void Form1::MakeTopmost() {
  if (IsTopmost()) return;
  QWindow* window = windowHandle();
  if (isVisible() && window) {
    // Changing a shown widget's flags would hide it; the native window takes
    // the hint as it is, where it is.
    window->setFlag(Qt::WindowStaysOnTopHint, true);
  } else {
    const QRect place = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setGeometry(place);
  }
}

LRESULT Form1::WindowProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (pos && pos->hwndInsertAfter == HWND_TOPMOST) MakeTopmost();
  } else if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == 0xF010) {
    if (QWindow* window = windowHandle()) window->startSystemMove();
  }
  return 0;
}
