// A control switched off says why in its tooltip; switched on again, it
// gets back the tooltip it had, or the one set for it meanwhile.
#pragma once

#include <QString>

class QWidget;

namespace vx {

void setSwitchedOn(QWidget *control, bool on, const QString &whyOff);
// The tooltip of a control when it is on: shown now if it is.
void setToolTipWhenOn(QWidget *control, const QString &tip);

} // namespace vx
