// Demo host: opens an SQLite customer database and runs the mail-merge wizard on it.
//   velmora-demo-host --database demo.sqlite [--config velmora.ini]
#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QSqlDatabase>
#include <QTranslator>

#include <cstdio>

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
    return mail.ShowDialog() == OrvVelmora::CallStatus::Ok ? 0 : 1;
}
