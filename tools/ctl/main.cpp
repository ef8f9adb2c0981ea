// vx500ctl: the terminal link from the command line.
#include "terminal/SystemSerialPort.h"
#include "Run.h"
#include "download/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vx500ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VX_VERSION_TEXT));
    vx::installTranslations();

#ifdef _WIN32
    // Records are CR LF lines already: no text-mode translation on the way.
    for (FILE *stream : {stdin, stdout, stderr})
        _setmode(_fileno(stream), _O_BINARY);
#endif
    QFile out, err, in;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    in.open(stdin, QIODevice::ReadOnly);
    struct stat outStat {};
    vx::ctl::Io io;
    io.out = &out;
    io.err = &err;
    io.in = &in;
    io.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    io.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    io.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    io.outIsRegularFile = ::fstat(STDOUT_FILENO, &outStat) == 0 && S_ISREG(outStat.st_mode);

    const int status = vx::ctl::run(QCoreApplication::arguments(), io,
                                    [] { return vx::makeSystemSerialPort(); });
    out.flush();
    return status;
}
