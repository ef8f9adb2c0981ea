// The side files that earlier versions kept beside a data file FILE:
//   FILE.journal    "LENGTH CRLF SKIP\n": an append of FILE.part (from SKIP
//                   on, after a CR LF when CRLF is 1) to FILE at LENGTH was
//                   under way;
//   FILE.part       the lines of the last download;
//   FILE.uncleared  lines appended to FILE whose clearing on the terminal
//                   was not confirmed.
// takeOverSideFiles() finishes an interrupted append and hands back the
// lines the terminal may still hold (with where FILE holds them); once the
// ledger has them, removeSideFiles() removes the three files (a kill in
// between leaves them to be taken over again, never records without a
// ledger's word). A side file that is not the user's own regular file, is
// larger than any download, or does not match FILE stops it with a failure,
// and every file is left as it is.
#pragma once

#include "terminal/Failure.h"
#include "download/RecordFile.h"

#include <QByteArray>
#include <optional>

namespace vx {

struct UnclearedLines {
    QByteArray lines; // CR LF lines
    qint64 offset = -1; // where FILE holds them; -1: FILE does not hold them
    bool found = false; // there were side files, to be removed
};

// nullopt: failure holds why. An empty `lines`: nothing to take over.
std::optional<UnclearedLines> takeOverSideFiles(RecordFile &file, Failure &failure);
// False with the failure when one of them cannot be removed.
bool removeSideFiles(const RecordFile &file, Failure &failure);

} // namespace vx
