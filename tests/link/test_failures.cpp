// Run-time failures: reported to the holder, never a stale success.
#include "LinkFixture.h"

using namespace vx;
using namespace vx::test;

TEST_F(LinkTest, PortThatCannotBeOpenedLeavesPortNotOpen)
{
    port->failOpen({kErrPortNotFound, "/dev/fake0: no such device"}, true);
    vx->ErrCode(VX_SUCCESS);
    qint16 count = 5;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(count, 5);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, kErrPortNotFound);
    EXPECT_EQ(reports[0].description, "/dev/fake0: no such device");
    EXPECT_TRUE(reports[0].numberAsTitle);
    EXPECT_TRUE(port->writes().isEmpty());

    // Every kind of operation, the station queries included.
    vx->ErrCode(VX_SUCCESS);
    vx->InvokeTest(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    vx->ErrCode(VX_SUCCESS);
    vx->BeginDownload(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    vx->ErrCode(VX_SUCCESS);
    QString text = "old";
    vx->DS90_GetVersion(text);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(reports.last().numberAsTitle);
    EXPECT_EQ(port->settings(), "19200,n,8,1");
    EXPECT_EQ(reports.size(), 4);
}

TEST_F(LinkTest, FailedWriteIsReportedAndClosesThePort)
{
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    port->failWrite({kErrPortIo, "write failed"});
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, kErrPortIo);
    EXPECT_FALSE(port->isOpen());

    // The next command opens the port afresh and works.
    device.then(bytes({ACK}));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
}

TEST_F(LinkTest, PulledCableDuringAStreamEndsItOnce)
{
    device.then(frameOf("0001,A")).then(frameOf("0002,B"));
    port->runAt(500, [this] { port->pullCable(); });
    vx->BeginDownload(0);
    QString data;
    int records = 0;
    for (vx->GetRecord(data); vx->ErrCode() == VX_SUCCESS; vx->GetRecord(data))
        ++records;
    EXPECT_EQ(records, 2);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_LT(port->now(), 1000);
    // Further stream calls fail quietly without reopening.
    vx->GetRecord(data);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(reports.size(), 1);
}

namespace {
QStringList g_warnings;
void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
}
} // namespace

TEST_F(LinkTest, WithoutHandlerFailuresGoToTheWarningLog)
{
    vx->SetErrorHandler({});
    port->failOpen({kErrPortInUse, "/dev/fake0: in use by another program"});
    g_warnings.clear();
    const auto previous = qInstallMessageHandler(collect);
    vx->PowerDown(0);
    qInstallMessageHandler(previous);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_TRUE(g_warnings[0].contains("in use by another program"));
    EXPECT_TRUE(g_warnings[0].contains("8005"));
}
