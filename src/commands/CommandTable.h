#pragma once

#include <array>
#include <optional>

#include <QString>

// The chat commands, in the order their words are compared.
enum class Command {
  Pause, XPause, Repeat, Adv, Pr, Hide, XHide, ViewMp3s, XViewMp3s, XComs,
  XRepeat, Refresh, Leng, Exit, Coms, Vol, R, Play, Stop, Mute,
  CdOpen, PlayCd, XMute, Dir, CdClose, StopCd, Total, Greets, Next, Prev,
  Cancel,
};

struct CommandWord {
  const char* word;
  Command command;
};

inline constexpr std::array<CommandWord, 31> kCommandTable{{
    {".pause", Command::Pause},       {".xpause", Command::XPause},   {".repeat", Command::Repeat},
    {".adv", Command::Adv},           {".pr", Command::Pr},           {".hide", Command::Hide},
    {".xhide", Command::XHide},       {".viewmp3s", Command::ViewMp3s}, {".xviewmp3s", Command::XViewMp3s},
    {".xcoms", Command::XComs},       {".xrepeat", Command::XRepeat}, {".refresh", Command::Refresh},
    {".leng", Command::Leng},         {".exit", Command::Exit},       {".coms", Command::Coms},
    {".vol", Command::Vol},           {".r", Command::R},             {".play", Command::Play},
    {".stop", Command::Stop},         {".mute", Command::Mute},       {".cdopen", Command::CdOpen},
    {".playcd", Command::PlayCd},     {".xmute", Command::XMute},     {".dir", Command::Dir},
    {".cdclose", Command::CdClose},   {".stopcd", Command::StopCd},   {".total", Command::Total},
    {".greets", Command::Greets},     {".next", Command::Next},       {".prev", Command::Prev},
    {".cancel", Command::Cancel},
}};

// The command whose word equals the given word exactly, compared row by row.
std::optional<Command> FindCommand(const QString& word);
