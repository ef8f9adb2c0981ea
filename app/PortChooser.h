// The device behind COMn: the serial ports the system has, and a small
// dialog that picks one (on Windows, any port from COM1 to COM256). The
// choice is stored under the same key that `vx500ctl ports --map` writes, so
// the tool follows it.
#pragma once

#include "terminal/SystemPorts.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vx {

// One line of the chooser: the device that choosing it stores, and the text.
struct PortRow {
    QString device;
    QString text;
    bool operator==(const PortRow &) const = default;
};

// A line per port ("/dev/ttyUSB0  FT232R USB UART, FTDI, serial number A1"),
// each followed by an indented line per by-id name that leads to it; one
// line "No serial ports found." (choosing nothing) when there are none.
QList<PortRow> portRows(const QList<SystemPort> &ports);

// "COM1 → /dev/ttyS0", with " (not present)" when the device is missing.
QString portLabel(const QString &com, const QString &device, bool present);
// Whether a serial port is behind the device at the moment.
bool devicePresent(const QString &device);

} // namespace vx

// The chooser: the rows, and an editable device path (a pseudo-terminal or
// another name may be typed); OK takes a deviceName only: a path that
// starts with "/", on Windows a port from COM1 to COM256.
class PortChooser : public QDialog
{
    Q_OBJECT
public:
    PortChooser(const QString &com, const QString &device, const QList<vx::PortRow> &rows,
                QWidget *parent = nullptr);
    // The device in the entry as it is stored (deviceName).
    QString device() const;

private:
    void deviceEdited();

    QListWidget *lstPorts;
    QLineEdit *m_deviceEdit;
    QPushButton *m_ok;
};
