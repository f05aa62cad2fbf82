#include "wizard/GermanQtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace OrvVelmora {

namespace {

// The standard "Yes" of Qt's message boxes; any translation of Qt's texts changes it.
bool qtTextsTranslated()
{
    return QCoreApplication::translate("QPlatformTheme", "&Yes") != QLatin1String("&Yes");
}

bool loadGerman()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

bool GermanQtTexts::install()
{
    static bool installed = false;
    if (!installed && QCoreApplication::instance() && !qtTextsTranslated())
        installed = loadGerman();
    return installed;
}

} // namespace OrvVelmora
