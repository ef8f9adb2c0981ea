// The user's settings file as one run of the tool sees it: read once, and
// only by a command that needs it (a COMn name, the monitor's port, the
// mapping). The keys are the monitor's, named by the link's settings header.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vx::ctl {

class SettingsFile {
public:
    // Reads the file (the first call only); a missing file reads as empty.
    // False, with error() naming the file and the cause, when it is not a
    // regular file, is larger than 1 MiB, holds no settings, cannot be opened or parsed.
    // The other members need a successful load().
    bool load();
    QString error() const { return m_error; }

    // COMn the monitor last used: "Connect"/"Comport" holds its list
    // position 0-15, read leniently; anything else means COM1.
    int monitorsPort() const;
    // The download history's settings ("Ledger/HistoryDays", "Ledger/KeepRecords").
    int historyDays() const;
    bool keepRecords() const;
    // The device COMn stands for, and whether a mapping changes it.
    QString device(int number) const;
    bool isMapped(int number) const;
    // Maps COMn to a device, or with an empty device back to its default;
    // false and error() when the file cannot be written.
    bool setMapping(int number, const QString &device);

private:
    bool m_loaded = false;
    std::unique_ptr<QSettings> m_settings;
    QString m_error;
};

} // namespace vx::ctl
