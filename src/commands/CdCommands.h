#pragma once

#include "src/aol/AolClient.h"
#include "src/seams/CdPlayerControl.h"

// The chat commands that drive the CD player. Each calls the drive in any
// state and announces what the drive reports afterwards.
namespace commands {

void PlayCd(const AolClient& aol, CdPlayerControl& cd);   // .playcd
void StopCd(const AolClient& aol, CdPlayerControl& cd);   // .stopcd
void Next(const AolClient& aol, CdPlayerControl& cd);     // .next
void Prev(const AolClient& aol, CdPlayerControl& cd);     // .prev
void CdOpen(const AolClient& aol, CdPlayerControl& cd);   // .cdopen
void CdClose(const AolClient& aol, CdPlayerControl& cd);  // .cdclose

}  // namespace commands
