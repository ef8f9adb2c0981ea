#include "PortChooser.h"

#include "portnames/PortNames.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vx {

QList<PortRow> portRows(const QList<SystemPort> &ports)
{
    QList<PortRow> rows;
    if (ports.isEmpty())
        rows.append({QString(), PortChooser::tr("No serial ports found.")});
    for (const SystemPort &p : ports) {
        rows.append({p.location, describeSystemPort(p)});
        for (const QString &link : p.byId)
            rows.append({link, QStringLiteral("    ") + link});
    }
    return rows;
}

QString portLabel(const QString &com, const QString &device, bool present)
{
    // On Windows COMn is the device itself: no arrow to itself.
    const QString shown = device.compare(com, Qt::CaseInsensitive) == 0 ? com : QStringLiteral("%1 \u2192 %2").arg(com, device);
    return shown + (present ? QString() : PortChooser::tr(" (not present)"));
}

bool devicePresent(const QString &device) { return serialDevicePresent(device, systemPorts()); }

} // namespace vx

PortChooser::PortChooser(const QString &com, const QString &device, const QList<vx::PortRow> &rows, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPortChooser"));
    setWindowTitle(tr("Comm. Port %1").arg(com));

    auto *listLabel = new QLabel(tr("&Serial ports on this computer:"), this);
    lstPorts = new QListWidget(this);
    lstPorts->setObjectName(QStringLiteral("lstPorts"));
    lstPorts->setAccessibleName(tr("Serial ports on this computer"));
    lstPorts->setMinimumSize(460, 160);
    listLabel->setBuddy(lstPorts);
    for (const vx::PortRow &row : rows) {
        auto *item = new QListWidgetItem(row.text, lstPorts);
        item->setData(Qt::UserRole, row.device);
        if (row.device.isEmpty())
            item->setFlags(Qt::NoItemFlags);
        else if (row.device == device)
            lstPorts->setCurrentItem(item);
    }

    QString standsFor = tr("%1 that %2 stands for").arg(vx::deviceNoun(), com);
    standsFor[0] = standsFor[0].toUpper();
    auto *deviceLabel = new QLabel(QLatin1Char('&') + standsFor + QLatin1Char(':'), this);
    m_deviceEdit = new QLineEdit(device, this);
    m_deviceEdit->setObjectName(QStringLiteral("deviceEdit"));
    m_deviceEdit->setAccessibleName(standsFor);
    deviceLabel->setBuddy(m_deviceEdit);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto *column = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(listLabel), static_cast<QWidget *>(lstPorts),
                       static_cast<QWidget *>(deviceLabel), static_cast<QWidget *>(m_deviceEdit),
                       static_cast<QWidget *>(buttons)})
        column->addWidget(w);

    // A row selected puts its device in the entry (the list's focus alone
    // selects nothing); a double-click takes it at once.
    connect(lstPorts, &QListWidget::itemSelectionChanged, this, [this] {
        for (const QListWidgetItem *item : lstPorts->selectedItems())
            m_deviceEdit->setText(item->data(Qt::UserRole).toString());
    });
    connect(lstPorts, &QListWidget::itemActivated, this, [this] {
        if (m_ok->isEnabled())
            accept();
    });
    connect(m_deviceEdit, &QLineEdit::textChanged, this, &PortChooser::deviceEdited);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    deviceEdited();
}

QString PortChooser::device() const { return vx::deviceName(m_deviceEdit->text()).value_or(QString()); }

// Anything else would make COMn fall back to the platform's own port
// without a word: such a text cannot be taken.
void PortChooser::deviceEdited()
{
    const bool taken = vx::deviceName(m_deviceEdit->text()).has_value();
    m_ok->setEnabled(taken);
#ifdef Q_OS_WIN
    m_ok->setToolTip(taken ? QString() : tr("A port is one of COM1 to COM256"));
#else
    m_ok->setToolTip(taken ? QString() : tr("A device is a path that starts with /"));
#endif
}
