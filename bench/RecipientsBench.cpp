// Loads 100,000 customers from an SQLite file into the recipients pane, moves
// them all into the recipient list and back out, and reports the times and the
// process's peak memory.
#include "controls/grid/GridComponent.h"
#include "recipients/RecipientPane.h"

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
#include <ctime>
#include <functional>

using namespace OrvVelmora;

namespace {

constexpr int kCustomers = 100000;

bool fillCustomers(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(
        QStringLiteral("CREATE TABLE tbKunden (KundenNr INTEGER PRIMARY KEY, Anrede TEXT, Vorname TEXT, Name TEXT, "
                       "Firma TEXT, Zusatz TEXT, AnsprechPartner TEXT, Strasse TEXT, PLZ TEXT, Ort TEXT, Land TEXT, "
                       "EMail TEXT, FreiFeld1 TEXT, FreiFeld2 TEXT, FreiFeld3 TEXT, PreisGruppe INTEGER)"));
    db.transaction();
    query.prepare(QStringLiteral("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int n = 1; n <= kCustomers; ++n) {
        const QString i = QString::number(n);
        const QVariantList values{n,
                                  n % 2 ? QStringLiteral("Herr") : QStringLiteral("Frau"),
                                  QStringLiteral("Vorname") + i,
                                  QStringLiteral("Nachname") + i,
                                  QStringLiteral("Firma ") + i + QStringLiteral(" GmbH"),
                                  QStringLiteral("Abteilung ") + QString::number(n % 7),
                                  QStringLiteral("Ansprechpartner ") + i,
                                  QStringLiteral("Hauptstraße ") + QString::number(n % 300),
                                  QString::number(10000 + n % 89999),
                                  QStringLiteral("Ort") + QString::number(n % 500),
                                  QStringLiteral("Deutschland"),
                                  QStringLiteral("kunde") + i + QStringLiteral("@example.org"),
                                  QStringLiteral("Frei 1"),
                                  QStringLiteral("Frei 2"),
                                  QString(),
                                  n % 5};
        for (int v = 0; v < values.size(); ++v)
            query.bindValue(v, values.at(v));
        if (!query.exec())
            return false;
    }
    return db.commit();
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Timing
{
    double wall;
    double cpu;
};

// Wall and CPU time: on a machine shared with builds, the wall clock also measures the neighbours.
Timing timeOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    work();
    return {double(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpuStart};
}

void report(const char *name, const Timing &timing)
{
    std::printf("%s: %.3f s (cpu %.3f s)\n", name, timing.wall, timing.cpu);
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
            std::fprintf(stderr, "cannot build the customer file: %s\n", qPrintable(db.lastError().text()));
            return 1;
        }
        RecipientPane pane;
        pane.resize(1000, 700);
        pane.show();
        QApplication::processEvents();
        const Timing load = timeOf([&] { pane.LoadCustomers(db); });
        const Timing transfer = timeOf([&] { pane.TransferAll(); });
        const int recipients = pane.RecipientCount();
        const Timing again = timeOf([&] { pane.TransferAll(); });
        QHeaderView *header = pane.sevKunden()->view()->horizontalHeader();
        const Timing sort = timeOf([&] { Q_EMIT header->sectionClicked(3); });
        const Timing remove = timeOf([&] { pane.RemoveAll(); });
        struct rusage usage
        {
        };
        getrusage(RUSAGE_SELF, &usage);
        std::printf("customers_loaded: %d rows\n", pane.sevKunden()->rowCount());
        report("load_100k_customers", load);
        report("transfer_all_100k_into_empty", transfer);
        std::printf("recipients_after_transfer: %d rows\n", recipients);
        report("transfer_all_100k_again_all_duplicates", again);
        report("sort_100k_customers_by_name", sort);
        report("remove_all_100k", remove);
        std::printf("peak_rss: %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
        pane.CloseCustomers();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return 0;
}
