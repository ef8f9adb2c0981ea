#include "terminal/Status.h"

namespace vx {

const char *statusText(qint32 code)
{
    switch (code) {
    case VX_SUCCESS: return "VX_SUCCESS";
    case VX_ERR_TIMEOUT: return "VX_ERR_TIMEOUT";
    case VX_ERR_PORT_NOT_OPEN: return "VX_ERR_PORT_NOT_OPEN";
    case VX_ERR_ACK_NOT_GET: return "VX_ERR_ACK_NOT_GET";
    case VX_ERR_INVALID_BCC: return "VX_ERR_INVALID_BCC";
    case VX_ERR_EOT_NOT_GET: return "VX_ERR_EOT_NOT_GET";
    case VX_ERR_INVALID_DATA: return "VX_ERR_INVALID_DATA";
    default: return "VX_ERR_UNKNOWN";
    }
}

} // namespace vx
