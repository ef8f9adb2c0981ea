// The per-user settings store: strings addressed by a key ("Section/Key")
// in the user's settings file. Every write is synced to disk at once; the
// file holds the password and is kept readable by its owner only.
//
// A file that cannot be read as settings (not a plain file, not text, lines
// that are no settings, too large) is reported once, at the first access, and
// then left alone: it is never written, replaced or re-permissioned, reads
// give the defaults and writes are dropped. A write that fails is reported
// each time; while a Batch lives (the main window's load) only the first one.
#pragma once

#include "settings/SettingKeys.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class QSettings;

namespace vx {

class Dialogs;

class SettingsStore {
    Q_DECLARE_TR_FUNCTIONS(vx::SettingsStore)

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
    QString read(const SettingKey &at, const QString &def);
    // Whether the key is there (whatever its value).
    bool contains(const SettingKey &at) { return stored(at).has_value(); }
    // Creates or replaces the key and syncs. False (and a report) when it
    // could not be saved; true without a word when the file could not be
    // read as settings, which was reported as "changes will not be kept".
    bool write(const SettingKey &at, const QString &value);
    bool write(const SettingKey &at, int value) { return write(at, QString::number(value)); }

    // The number at the start of the text, rounded to a whole 16-bit number;
    // def when the key is missing, the result overflows or lies outside lo..hi.
    qint16 readLenient(const SettingKey &at, qint16 def, qint16 lo, qint16 hi);
    // The whole text as a number, rounded; def for an empty or non-numeric
    // text, an overflow or a value outside lo..hi.
    qint16 readStrict(const SettingKey &at, qint16 def, qint16 lo, qint16 hi);

    // True once the file was found unreadable: the defaults are in force.
    bool isUnreadable() const { return m_unreadable; }

private:
    std::optional<QString> stored(const SettingKey &at);
    bool readable();
    void reportUnsaved();

    Dialogs &m_dialogs;
    QString m_fileName;
    std::unique_ptr<QSettings> m_settings; // loaded from the file; none while unread or unreadable
    bool m_unreadable = false;
    int m_batches = 0;
    bool m_reportedInBatch = false;
};

} // namespace vx
