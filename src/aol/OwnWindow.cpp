#include <cstdint>

#include "src/aol/AolClient.h"

void AolClient::KeepOnTop(HWND window) const {
  win32_.SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void AolClient::DragWindow(HWND window) const {
  // SC_MOVE + HTCAPTION, as a 16-bit value sign-extended to 32 bits.
  constexpr WPARAM kMoveByCaption = 0xFFFFF012u;
  std::int32_t noPosition = 0;
  win32_.ReleaseCapture();
  win32_.SendMessageA(window, WM_SYSCOMMAND, kMoveByCaption, reinterpret_cast<LPARAM>(&noPosition));
}
