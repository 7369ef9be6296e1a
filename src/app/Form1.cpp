#include "src/app/Form1.h"

#include <QMouseEvent>
#include <QWindow>

Form1::Form1(Platform platform)
    : QWidget(nullptr),
      MediaPlayer1(platform.mediaPlayer),
      Chat1(platform.chatScanner),
      CDPlayer1(platform.cdPlayer),
      platform_(std::move(platform)),
      aol_(platform_.win32, platform_.runtime) {
  BuildControls();
  hwnd_ = platform_.win32.CreateWindowA(
      "ThunderRT6FormDC", "", kNullWindow,
      [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProcedure(window, message, wParam, lParam);
      });
  Chat1.SetLineReceivedHandler(
      [this](const QString& screenName, const QString& text) { Chat1_LineReceived(screenName, text); });
}

Form1::~Form1() {
  Chat1.SetLineReceivedHandler(nullptr);
  platform_.win32.DestroyWindow(hwnd_);
}

void Form1::BuildControls() {
  List1 = new ListBox(this);
  File1 = new FileListBox(this);
  File1->SetPattern("*.mp3");
  Command1 = new CommandButton("dir:", this);
  Text2 = new TextBox(QString(), this);
  Label1 = new ClickLabel("  -", this);
  Label7 = new ClickLabel("  x", this);
  Label5 = new ClickLabel("     v", this);
  Label6 = new ClickLabel("  ^", this);
  Label8 = new ClickLabel("  v", this);
  Label9 = new ClickLabel("  ^", this);
  List2 = new ListBox(this);
  Text1 = new TextBox("Text1", this);
  if (platform_.makeMediaPlayerPanel) MediaPlayerPanel = platform_.makeMediaPlayerPanel(this);

  connect(File1, &FileListBox::Click, this, &Form1::File1_Click);
  connect(Command1, &CommandButton::Click, this, &Form1::Command1_Click);
  connect(Label1, &ClickLabel::Click, this, &Form1::Label1_Click);
  connect(Label5, &ClickLabel::Click, this, &Form1::Label5_Click);
  connect(Label6, &ClickLabel::Click, this, &Form1::Label6_Click);
  connect(Label7, &ClickLabel::Click, this, &Form1::Label7_Click);
  connect(Label8, &ClickLabel::Click, this, &Form1::Label8_Click);
  connect(Label9, &ClickLabel::Click, this, &Form1::Label9_Click);
}

QString Form1::SettingsFilePath() const { return platform_.executableDirectory + "/mp3.ini"; }

int Form1::OuterHeight() const { return height() * 15; }
void Form1::SetOuterHeight(int twips) { resize(width(), twips / 15); }
bool Form1::IsShown() const { return isVisible(); }
void Form1::ShowWindow() { show(); }
void Form1::HideWindow() { hide(); }
void Form1::Minimise() { setWindowState(windowState() | Qt::WindowMinimized); }
bool Form1::IsMinimised() const { return windowState() & Qt::WindowMinimized; }

void Form1::Label1_Click() { Minimise(); }
void Form1::Label5_Click() { SetOuterHeight(kPlayerView); }
void Form1::Label6_Click() { SetOuterHeight(kCommandView); }
void Form1::Label8_Click() { SetOuterHeight(kDirectoryView); }
void Form1::Label9_Click() { SetOuterHeight(kPlayerView); }

void Form1::Form_MouseDown() { aol_.DragWindow(hwnd_); }

void Form1::mousePressEvent(QMouseEvent* event) {
  Form_MouseDown();
  event->accept();
}

LRESULT Form1::WindowProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (pos && pos->hwndInsertAfter == HWND_TOPMOST) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  } else if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == 0xF010) {
    if (QWindow* window = windowHandle()) window->startSystemMove();
  }
  return 0;
}
