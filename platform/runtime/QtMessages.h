#pragma once

// Keeps Qt's own debug, info and warning messages (a platform plugin that
// lacks a feature, say) off standard error, which carries only the program's
// own diagnostics. Qt's critical and fatal messages still go there, as Qt
// writes them. Call once, before the application object exists.
void KeepQtChatterOffStandardError();
