// The whole tool as one call, so that tests can run it in-process.
#pragma once

#include "Io.h"
#include "Session.h"

#include <QStringList>

namespace vx::ctl {

inline constexpr const char *kToolVersion = "vx500ctl " VX_VERSION_TEXT;

// arguments as QCoreApplication::arguments(); returns the exit status.
int run(const QStringList &arguments, Io &io, const PortFactory &makePort);

} // namespace vx::ctl
