// scan [--from N] [--to M] [--json]
#pragma once

#include "ExitCode.h"

#include <QtGlobal>

namespace vx::ctl {

class Session;

// A silent machine number costs no more than this (ms); --timeout overrides it.
inline constexpr qint32 kScanReplyMs = 150;

// Asks every machine number of the range for its record count and prints
// "machine N: C records, version V" for each terminal that answers (with
// --json {"machine":N,"records":C,"version":V}, V null when the version
// query failed). Ok when one answered, DeviceFailure when none did.
Exit runScan(Session &session);

} // namespace vx::ctl
