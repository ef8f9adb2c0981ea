#include "SwitchedOn.h"

#include <QVariant>
#include <QWidget>

namespace vx {

void setSwitchedOn(QWidget *control, bool on, const QString &whyOff)
{
    static const char *const kTipWhenOn = "vxToolTipWhenOn";
    if (!control->property(kTipWhenOn).isValid())
        control->setProperty(kTipWhenOn, control->toolTip());
    control->setEnabled(on);
    control->setToolTip(on ? control->property(kTipWhenOn).toString() : whyOff);
}

} // namespace vx
