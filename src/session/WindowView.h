#pragma once

// What the commands may do to the main window: show it, hide it, and set its
// view by its outer height. The window implements it; nothing below the
// window sees the window itself.
class WindowView {
 public:
  // Views by outer height, in twips (15 twips a pixel).
  static constexpr int kCommandView = 1200;
  static constexpr int kPlayerView = 3045;
  static constexpr int kDirectoryView = 3435;

  virtual bool IsShown() const = 0;
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  // Heights are outer heights in twips.
  virtual int OuterHeight() const = 0;
  virtual void SetOuterHeight(int twips) = 0;

 protected:
  ~WindowView() = default;
};
