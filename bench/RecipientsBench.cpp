// Loads 100,000 customers from an SQLite file into the recipients pane, moves
// them all into the recipient list and back out, and reports the times and the
// process's peak memory.
#include "wizard/RecipientPane.h"
#include "outside/GridComponent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QVariant>

#include <sys/resource.h>

#include <cstdio>
#include <functional>

using namespace OrvVelmora;

namespace {

constexpr int kCustomers = 100000;

bool fillCustomers(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral(
        "CREATE TABLE tbKunden (KundenNr INTEGER PRIMARY KEY, Anrede TEXT, Vorname TEXT, Name TEXT, "
        "Firma TEXT, Zusatz TEXT, AnsprechPartner TEXT, Strasse TEXT, PLZ TEXT, Ort TEXT, Land TEXT, "
        "EMail TEXT, FreiFeld1 TEXT, FreiFeld2 TEXT, FreiFeld3 TEXT, PreisGruppe INTEGER)"));
    db.transaction();
    query.prepare(QStringLiteral("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int n = 1; n <= kCustomers; ++n) {
        const QString i = QString::number(n);
        const QVariantList values{n, n % 2 ? "Herr" : "Frau", "Vorname" + i, "Nachname" + i,
                                  "Firma " + i + " GmbH", "Abteilung " + QString::number(n % 7),
                                  "Ansprechpartner " + i, "Hauptstraße " + QString::number(n % 300),
                                  QString::number(10000 + n % 89999), "Ort" + QString::number(n % 500),
                                  "Deutschland", "kunde" + i + "@example.org", "Frei 1", "Frei 2",
                                  QString(), n % 5};
        for (int v = 0; v < values.size(); ++v)
            query.bindValue(v, values.at(v));
        if (!query.exec())
            return false;
    }
    return db.commit();
}

double secondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(dir.filePath(QStringLiteral("kunden.sqlite")));
        if (!db.open() || !fillCustomers(db)) {
            std::fprintf(stderr, "cannot build the customer file: %s\n",
                         qPrintable(db.lastError().text()));
            return 1;
        }
        RecipientPane pane;
        pane.resize(1000, 700);
        pane.show();
        QApplication::processEvents();
        const double load = secondsOf([&] { pane.LoadCustomers(db); });
        const double transfer = secondsOf([&] { pane.TransferAll(); });
        const int recipients = pane.RecipientCount();
        const double again = secondsOf([&] { pane.TransferAll(); });
        QHeaderView *header = pane.sevKunden()->view()->horizontalHeader();
        const double sort = secondsOf([&] { Q_EMIT header->sectionClicked(3); });
        const double remove = secondsOf([&] { pane.RemoveAll(); });
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("customers_loaded: %d rows\n", pane.sevKunden()->rowCount());
        std::printf("load_100k_customers: %.3f s\n", load);
        std::printf("transfer_all_100k_into_empty: %.3f s\n", transfer);
        std::printf("recipients_after_transfer: %d rows\n", recipients);
        std::printf("transfer_all_100k_again_all_duplicates: %.3f s\n", again);
        std::printf("remove_all_100k: %.3f s\n", remove);
        std::printf("peak_rss: %.1f MB\n", usage.ru_maxrss / 1024.0);
        std::printf("sort_100k_customers_by_name: %.3f s\n", sort);
        pane.CloseCustomers();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return 0;
}
