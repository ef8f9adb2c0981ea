// The link on a fake port that talks to the simulated terminal in virtual time.
#pragma once

#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "ucVX300_500.h"

#include <gtest/gtest.h>

namespace vx::sim::test {

class ModelLinkTest : public ::testing::Test {
protected:
    ModelLinkTest() : device(model)
    {
        auto owned = std::make_unique<vx::test::FakePort>(&device);
        port = owned.get();
        vx = std::make_unique<ucVX300_500>(std::move(owned));
        vx->SetPortName(QStringLiteral("/dev/fake0"));
        vx->SetErrorHandler([this](const vx::RuntimeError &e) { reports.append(e); });
        vx->Timeout(2000);
    }

    // Downloads every record; the status that ended the loop in endStatus.
    QStringList download(qint16 id, qint32 &endStatus)
    {
        QStringList got;
        vx->BeginDownload(id);
        for (;;) {
            QString record;
            vx->GetRecord(record);
            if (vx->ErrCode() != 0)
                break;
            got << record;
        }
        endStatus = vx->ErrCode();
        return got;
    }

    TerminalModel model;
    vx::test::ModelDevice device;
    vx::test::FakePort *port = nullptr;
    std::unique_ptr<ucVX300_500> vx;
    QList<vx::RuntimeError> reports;
};

} // namespace vx::sim::test
