// The per-user settings store: strings addressed by section and key under
// the program's title. Every write is synced to disk at once; the file holds
// the password and is kept readable by its owner only. Every failure of the
// store is reported through the Dialogs seam; while a Batch lives (the main
// window's load) only the first one is.
#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class QSettings;

namespace vx {

class Dialogs;

struct SettingKey {
    const char *section;
    const char *key;
};

namespace key {
inline constexpr SettingKey Password{"Security", "Password"};
inline constexpr SettingKey Comport{"Connect", "Comport"};
inline constexpr SettingKey ClearData{"Misc", "ClearData"};
inline constexpr SettingKey SaveData{"Misc", "SaveData"};
inline constexpr SettingKey UpdateTime{"Misc", "UpdateTime"};
inline constexpr SettingKey PowerDown{"Misc", "PowerDown"};
inline constexpr SettingKey FilePath{"Misc", "FilePath"};
inline constexpr SettingKey FilenameFormat{"Misc", "FilenameFormat"};
inline constexpr SettingKey DateFormat{"Misc", "DateFormat"};
// Written only where the first-launch marker cannot be deleted.
inline constexpr SettingKey FirstLaunchShown{"Misc", "FirstLaunchShown"};
inline constexpr SettingKey DownloadFile{"Download", "File"};
} // namespace key

class SettingsStore {
public:
    explicit SettingsStore(Dialogs &dialogs);
    ~SettingsStore();

    // Accesses that are not the operator's own, one after the other: a
    // failure among them is reported once.
    class Batch {
    public:
        explicit Batch(SettingsStore &store);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        SettingsStore &m_store;
    };

    // The stored string, or def when the key (or its section) is missing.
    QString read(SettingKey at, const QString &def);
    // Whether the key is there (whatever its value).
    bool contains(SettingKey at) { return stored(at).has_value(); }
    // Creates or replaces the key and syncs; false (and a report) on failure.
    bool write(SettingKey at, const QString &value);
    bool write(SettingKey at, int value) { return write(at, QString::number(value)); }

    // The number at the start of the text, rounded to a whole 16-bit number;
    // def when the key is missing, the result overflows or lies outside lo..hi.
    qint16 readLenient(SettingKey at, qint16 def, qint16 lo, qint16 hi);
    // The whole text as a number, rounded; def for an empty or non-numeric
    // text, an overflow or a value outside lo..hi.
    qint16 readStrict(SettingKey at, qint16 def, qint16 lo, qint16 hi);

    QString fileName() const;

private:
    std::optional<QString> stored(SettingKey at);
    void makePrivate();
    bool checkStatus(const QString &doing);

    Dialogs &m_dialogs;
    std::unique_ptr<QSettings> m_settings;
    int m_iBatches = 0;
    bool m_bReportedInBatch = false;
};

} // namespace vx
