// Status codes left in TerminalLink::status() by every device exchange,
// and the one function that names them.
#pragma once

#include <QtGlobal>

namespace vx {

enum Status : qint32 {
    VX_SUCCESS = 0,
    VX_END_OF_STREAM = 1,        // EOT as the first byte where a data frame was awaited
    VX_ERR_TIMEOUT = -1,
    VX_ERR_PORT_NOT_OPEN = -2,
    VX_ERR_ACK_NOT_GET = -3,
    VX_ERR_INVALID_BCC = -4,
    VX_ERR_EOT_NOT_GET = -5,
    VX_ERR_INVALID_DATA = -6,    // a reply arrived intact but cannot be decoded
};

// Symbolic text of a status code: "VX_SUCCESS" ... "VX_ERR_INVALID_DATA";
// every other value (1 included) is "VX_ERR_UNKNOWN".
const char *statusText(qint32 code);

} // namespace vx
