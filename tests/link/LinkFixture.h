// A link on a fake port with a scripted terminal, in virtual time.
#pragma once

#include "FakePort.h"
#include "Frame.h"
#include "ucVX300_500.h"

#include <gtest/gtest.h>

namespace vx::test {

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

inline QByteArray frameOf(const char *data) { return dataFrame(QByteArray(data)); }

class LinkTest : public ::testing::Test {
protected:
    LinkTest()
    {
        auto owned = std::make_unique<FakePort>(&device);
        port = owned.get();
        vx = std::make_unique<ucVX300_500>(std::move(owned));
        vx->SetPortName(QStringLiteral("/dev/fake0"));
        vx->SetErrorHandler([this](const RuntimeError &e) { reports.append(e); });
        vx->Timeout(2000);
    }

    ScriptDevice device;
    FakePort *port = nullptr;
    std::unique_ptr<ucVX300_500> vx;
    QList<RuntimeError> reports;
};

} // namespace vx::test
