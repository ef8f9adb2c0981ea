// Reading and writing whole files in tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace vx::test {

// The whole content of a file; "<unreadable>" when it cannot be opened.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Replaces a file's content; false when it cannot be written.
inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

#ifdef Q_OS_WIN
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

// A path as the programs show it: with the system's own separators.
inline QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

// A FIFO at path (Linux); false where the system has none by name (Windows).
inline bool makeFifo(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

} // namespace vx::test
