// Demo host: opens an SQLite customer database and runs the mail-merge wizard on it.
//   velmora-demo-host --database demo.sqlite [--config velmora.ini]
//   ... --drive OUTDIR --attachment FILE   lets DemoDriver work the wizard (offscreen demo)
#include "DemoDriver.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QSqlDatabase>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace {

void installGermanTranslations(QApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-demo-host"));
    installGermanTranslations(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Demo host for the OrvVelmora mail-merge component"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("database"), QStringLiteral("SQLite customer database"), QStringLiteral("file")});
    parser.addOption({QStringLiteral("config"), QStringLiteral("settings file (INI)"), QStringLiteral("file")});
    parser.addOption({QStringLiteral("drive"), QStringLiteral("work the wizard automatically, results to this folder"),
                      QStringLiteral("dir")});
    parser.addOption(
        {QStringLiteral("attachment"), QStringLiteral("file the automatic run attaches"), QStringLiteral("file")});
    parser.addOption(
        {QStringLiteral("scaled-shots"), QStringLiteral("with --drive: only screenshots at the smallest size")});
    parser.addOption({QStringLiteral("invoices"),
                      QStringLiteral("with --drive: folder of each customer's invoice, sent as personal attachment "
                                     "after a test mail to the sender"),
                      QStringLiteral("dir")});
    parser.process(app);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("host"));
    db.setDatabaseName(parser.value(QStringLiteral("database")));
    if (!parser.value(QStringLiteral("database")).isEmpty() && !db.open()) {
        std::fprintf(stderr, "cannot open database %s\n", qPrintable(parser.value(QStringLiteral("database"))));
        return 2;
    }

    OrvVelmora::CMail mail;
    mail.setADOConnection(db);
    mail.setConfigFileName(parser.value(QStringLiteral("config")));
    std::unique_ptr<DemoDriver> driver;
    if (parser.isSet(QStringLiteral("drive"))) {
        driver = std::make_unique<DemoDriver>(parser.value(QStringLiteral("drive")),
                                              parser.value(QStringLiteral("attachment")));
        driver->setScaledShotsOnly(parser.isSet(QStringLiteral("scaled-shots")));
        driver->setInvoices(parser.value(QStringLiteral("invoices")));
        driver->start();
    }
    const bool shown = mail.ShowDialog() == OrvVelmora::CallStatus::Ok;
    if (driver && !driver->succeeded())
        return 3;
    return shown ? 0 : 1;
}
