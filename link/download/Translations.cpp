#include "download/Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace vx {

namespace {

const QString kBuiltIn = QStringLiteral(":/translations");

} // namespace

void installTranslations()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    auto *english = new QTranslator(app);
    if (english->load(QStringLiteral("vx500_en"), kBuiltIn))
        QCoreApplication::installTranslator(english);
    // The last installed is asked first.
    auto *own = new QTranslator(app);
    const QLocale locale;
    const QString name = QStringLiteral("vx500"), sep = QStringLiteral("_");
    if ((own->load(locale, name, sep, QCoreApplication::applicationDirPath() + QStringLiteral("/translations"))
         || own->load(locale, name, sep, kBuiltIn))
        && own->filePath() != english->filePath())
        QCoreApplication::installTranslator(own);
}

} // namespace vx
