// The files the programs write: the data file (whole lines only, the
// system's own words for a failure) and the user's settings file.
#include "terminal/DataFile.h"
#include "TestFiles.h"
#include "settings/UserSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

TEST(DataFile, RecordsNeverGlueOntoAPartialLine)
{
    QTemporaryDir dir;
    // the file before (nullptr: none), the file after two records
    const QList<std::pair<const char *, QByteArray>> rows = {
        {nullptr, "0001,A\r\nB\r\n"}, {"", "0001,A\r\nB\r\n"}, {"X\r\n", "X\r\n0001,A\r\nB\r\n"},
        {"X\n", "X\n0001,A\r\nB\r\n"}, {"X", "X\r\n0001,A\r\nB\r\n"}, {"X\r", "X\r\r\n0001,A\r\nB\r\n"}};
    int n = 0;
    for (const auto &[before, after] : rows) {
        SCOPED_TRACE(before ? before : "no file");
        const QString path = dir.filePath(QString::number(n++));
        if (before) {
            ASSERT_TRUE(writeFileBytes(path, before));
        }
        DataFile file;
        ASSERT_TRUE(file.openAppend(path)) << qPrintable(file.failure().detail);
        EXPECT_TRUE(file.isRegularFile());
        EXPECT_TRUE(file.writeLine("0001,A") && file.writeLine("B") && file.sync()); // read back while still open
        EXPECT_EQ(fileBytes(path), after);
    }
}

TEST(DataFile, AFailedLineLeavesNothingOfItself)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("records.txt");
    ASSERT_TRUE(writeFileBytes(path, "X"));
    const pid_t child = fork();
    if (child == 0) {
        // A file size limit of 12 bytes stops the second line after one byte.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{12, 12};
        setrlimit(RLIMIT_FSIZE, &limit);
        DataFile file;
        const bool ok = file.openAppend(path) && file.writeLine("0001,A") && !file.writeLine("0002,B");
        _exit(ok && file.failure().detail == path + ": File too large" ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(fileBytes(path), "X\r\n0001,A\r\n");
}

// (A pipe that nobody reads from, a device that keeps nothing and a full
// one: the fault table, tests/faults.)
TEST(DataFile, PipesAndFoldersAreToldApart)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    DataFile file;
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(file.openAppend(fifo));
    EXPECT_FALSE(file.isRegularFile());
    EXPECT_TRUE(file.writeLine("0001,A") && file.sync());
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 8);
    EXPECT_STREQ(got, "0001,A\r\n");
    ::close(reader);

    EXPECT_FALSE(file.openAppend(dir.path()));
    EXPECT_EQ(file.failure().detail, dir.path() + ": Is a directory");
}

TEST(UserSettingsFile, CreatedReadableByItsOwnerOnly)
{
    const QString path = openUserSettings()->fileName();
    QFile::remove(path);
    openUserSettings()->setValue(QStringLiteral("Security/Password"), QStringLiteral("1234")); // saved when it goes
    EXPECT_EQ(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                            | QFileDevice::WriteUser);
    EXPECT_EQ(openUserSettings()->value(QStringLiteral("Security/Password")).toString(), "1234");
    QFile::remove(path);
}
