// vx500ctl: the terminal link from the command line.
#include "QtSerialPortAdapter.h"
#include "Run.h"

#include <QCoreApplication>
#include <QFile>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vx500ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VX_VERSION_TEXT));

    QFile out, err, in;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    in.open(stdin, QIODevice::ReadOnly);
    vx::ctl::Io io{&out, &err, &in, ::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1};

    const int status = vx::ctl::run(QCoreApplication::arguments(), io,
                                    [] { return std::make_unique<vx::QtSerialPortAdapter>(); });
    out.flush();
    return status;
}
