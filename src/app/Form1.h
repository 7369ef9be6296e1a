#pragma once

#include <functional>
#include <optional>

#include <QAction>
#include <QString>
#include <QWidget>

#include "src/widgets/ClickLabel.h"
#include "src/widgets/CommandButton.h"
#include "src/widgets/FileListBox.h"
#include "src/widgets/ListBox.h"
#include "src/widgets/TextBox.h"
#include "src/aol/AolClient.h"
#include "src/seams/MessageBoxes.h"
#include "src/seams/ProcessControl.h"
#include "src/seams/CdPlayerControl.h"
#include "src/seams/ChatScannerControl.h"
#include "src/seams/MediaPlayerControl.h"
#include "src/seams/StreamInfo.h"
#include "src/seams/MusicCollection.h"
#include "src/session/Session.h"
#include "src/session/WindowView.h"

// The main window: a small black frameless topmost window with the command
// help list, the file list of the music directory, the media player's panel
// and the "dir:" row. It owns its controls; the hosted controls and the
// services it reaches the outside world through are handed to it. It owns the
// session that the commands and the library work on, shows itself to them as
// its view, and hands every event that is theirs down to them.
class Form1 : public QWidget, public WindowView {
  Q_OBJECT

 public:
  struct Platform {
    Win32Api& win32;
    Runtime& runtime;
    MediaPlayerControl& mediaPlayer;
    ChatScannerControl& chatScanner;
    CdPlayerControl& cdPlayer;
    MessageBoxes& messageBoxes;
    ProcessControl& process;
    // The folder that holds mp3.ini for this run (see SettingsLocation.h).
    QString settingsFolder;
    // Makes the media player's own panel as a child of the window; may be empty.
    std::function<QWidget*(QWidget* parent)> makeMediaPlayerPanel;
    // The stream of what plays; null when there is none.
    const StreamInfo* stream = nullptr;
    // Walks the music folder's subfolders; none lists the folder alone.
    MusicCollection* collection = nullptr;
  };

  // Views by outer height, in twips (15 twips a pixel).
  static constexpr int kCommandView = WindowView::kCommandView;
  static constexpr int kPlayerView = WindowView::kPlayerView;
  static constexpr int kDirectoryView = WindowView::kDirectoryView;
  // The thin fixed frame on each side, and the design-time client area.
  static constexpr int kFrameTwips = 45;
  static constexpr int kDesignClientWidth = 4170;
  static constexpr int kDesignClientHeight = 1080;
  static constexpr int kOuterWidth = kDesignClientWidth + 2 * kFrameTwips;
  static constexpr int kDesignOuterHeight = kDesignClientHeight + 2 * kFrameTwips;
  static constexpr int kTwipsPerPixel = 15;

  explicit Form1(Platform platform);
  ~Form1() override;

  // Runs the load, then shows the window: the program's start.
  void Start();
  void Form_Load();

  // Controls, under their designer names.
  ListBox* List1 = nullptr;
  ListBox* List2 = nullptr;
  FileListBox* File1 = nullptr;
  TextBox* Text1 = nullptr;
  TextBox* Text2 = nullptr;
  CommandButton* Command1 = nullptr;
  ClickLabel* Label1 = nullptr;
  ClickLabel* Label5 = nullptr;
  ClickLabel* Label6 = nullptr;
  ClickLabel* Label7 = nullptr;
  ClickLabel* Label8 = nullptr;
  ClickLabel* Label9 = nullptr;
  // The subfolder switch, at the end of the "dir:" row inside Text2: checked
  // while the file list holds the subfolders' files too.
  QAction* DeepSwitch = nullptr;
  QWidget* MediaPlayerPanel = nullptr;
  // The client area inside the frame: the black background the controls sit on.
  QWidget* ClientArea = nullptr;
  MediaPlayerControl& MediaPlayer1;
  ChatScannerControl& Chat1;
  CdPlayerControl& CDPlayer1;

  // The title search behind ".play".
  void PlayIt(const QString& searchText);

  const AolClient& Aol() const { return aol_; }
  // What the commands and the library work on, SelectionPending included.
  Session& session() { return *session_; }
  // The settings file of this run.
  QString SettingsFilePath() const;
  // Our window's handle in the window system.
  HWND hWnd() const { return hwnd_; }

  // The window as the commands see it (WindowView), and what its labels do
  // besides. Heights are outer heights in twips.
  int OuterHeight() const override;
  void SetOuterHeight(int twips) override;
  bool IsShown() const override;
  void ShowWindow() override;
  void HideWindow() override;
  void Minimise();
  bool IsMinimised() const;
  // Whether KeepOnTop has made the window topmost.
  bool IsTopmost() const;

  // Event handlers.
  void Chat1_LineReceived(const QString& screenName, const QString& text);
  // A track played to its end: the queue or the shuffle goes on.
  void MediaPlayer1_EndOfStream();
  void File1_Click();
  void Command1_Click();
  void DeepSwitch_Click();
  void Label1_Click();
  void Label5_Click();
  void Label6_Click();
  void Label7_Click();
  void Label8_Click();
  void Label9_Click();
  void Form_MouseDown();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildControls();
  void StyleControls();
  void MakeTopmost();
  void PlaceInCorner();
  void ShowDeepSwitch(bool on);
  LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Platform platform_;
  AolClient aol_;
  // Made once the controls it refers to exist.
  std::optional<Session> session_;
  HWND hwnd_ = kNullWindow;
};
