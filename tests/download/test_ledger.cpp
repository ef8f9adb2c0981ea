// The ledger refuses any state that it did not make itself, with a clear
// message, and forgets downloads older than the retention.
#include "Ledger.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

inline void PrintTo(const QString &text, std::ostream *os) { *os << ::testing::PrintToString(text.toStdString()); }

TEST(Ledger, RefusesStateItDidNotMake)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("vx500"), path = folder + "/ledger.sqlite", other = dir.filePath("other");
    const auto plant = [&](const std::function<void()> &how) {
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        how();
    };
    const auto foreignDatabase = [&] {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    QList<std::pair<std::function<void()>, QString>> rows = {
        {[&] { ::chmod(QFile::encodeName(folder).constData(), 0777); }, "folder " + folder + ": others may write in it"},
        {[&] { QDir(folder).removeRecursively(), writeFileBytes(folder, ""); }, "folder " + folder + ": not a folder"},
        {[&] { writeFileBytes(other, ""), QFile::link(other, path); }, path + ": not a regular file"},
        {[&] { writeFileBytes(path, QByteArray(4096, 'x')); }, path + ": file is not a database"},
        {foreignDatabase, path + ": not a ledger of this version of the program; move it aside to start a new one"},
    };
    if (::geteuid() == 0) // another user's folder
        rows.append({[&] { ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 4242, 4242), 0); },
                     "folder " + folder + ": belongs to another user"});
    for (const auto &[how, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        plant(how);
        Ledger ledger;
        EXPECT_FALSE(ledger.open(path));
        EXPECT_EQ(describe(ledger.failure()), "the download ledger" + QString(message.startsWith("folder") ? "'s " : " ") + message);
    }
}

TEST(Ledger, ForgetsDownloadsOlderThanTheRetention)
{
    QTemporaryDir dir;
    Ledger ledger;
    ASSERT_TRUE(ledger.open(dir.filePath("vx500/ledger.sqlite")));
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(ledger.begin());
    for (int daysAgo : {100, 91, 89, 0})
        ASSERT_TRUE(ledger.addDownload({now.addDays(-daysAgo), "test", "COM1", "/dev/ttyS0", 0}));
    ASSERT_TRUE(ledger.prune(now.addDays(-90)) && ledger.commit());
    const auto left = ledger.history();
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 2);
    EXPECT_EQ(left->at(1).facts.started.daysTo(now), 89);
}
