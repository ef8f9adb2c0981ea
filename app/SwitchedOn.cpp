#include "SwitchedOn.h"

#include <QVariant>
#include <QWidget>

namespace vx {

namespace {
const char *const kTipWhenOn = "vxToolTipWhenOn";
}

void setSwitchedOn(QWidget *control, bool on, const QString &whyOff)
{
    if (control->isEnabled() || !control->property(kTipWhenOn).isValid())
        control->setProperty(kTipWhenOn, control->toolTip());
    control->setEnabled(on);
    control->setToolTip(on ? control->property(kTipWhenOn).toString() : whyOff);
}

void setToolTipWhenOn(QWidget *control, const QString &tip)
{
    control->setProperty(kTipWhenOn, tip);
    if (control->isEnabled())
        control->setToolTip(tip);
}

} // namespace vx
