// A control switched off says why in its tooltip; switched on again, it
// gets back the tooltip it had.
#pragma once

#include <QString>

class QWidget;

namespace vx {

void setSwitchedOn(QWidget *control, bool on, const QString &whyOff);

} // namespace vx
