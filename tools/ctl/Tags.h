// tags download [-o FILE] [-q] | upload FILE [-q] (tags count: Commands.cpp)
#pragma once

#include "ExitCode.h"

#include <QtGlobal>

namespace vx::ctl {

class Session;

// A tag list holds at most this many lines (a line's number is its index).
inline constexpr int kMaxTagLines = 32767;
// The longest code: its item, STX, five-digit index, code, ETX and check
// byte, must fit the 65536 bytes the link accepts in a frame it receives,
// so that the list can be downloaded again.
inline constexpr qsizetype kMaxTagCodeBytes = 65536 - 8;

Exit tagsDownload(Session &session);
// Reads the whole file before anything is sent, one line at a time and
// never more than a code's length: a code with a control byte (below 0x20,
// or 0x7F), a code too long or too many lines is refused (Usage) with the
// line's number; then reads it again to send it.
Exit tagsUpload(Session &session);

} // namespace vx::ctl
