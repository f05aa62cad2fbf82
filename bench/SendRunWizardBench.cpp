// The whole mailing through the real wizard on the offscreen platform, from
// the finish button to the last message: 2,000 customers from a SQLite host
// database, a 2.5 kB formatted message with six placeholders and one
// attachment, delivered to Postfix's smtp-sink on loopback. Reports messages
// per second and the longest time the window's events had to wait between two
// event runs (hourglass, labels, progress and repaint all included).
#include "SendRunBenchSupport.h"

#include "component/CMailInternal.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/wizardframe/WizardFrame.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "wizard/SendStatusPane.h"
#include "wizard/frmDialogMail.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

constexpr int kCustomers = 2000;

bool createHostDatabase(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("CREATE TABLE tbFirma (Firma1 TEXT, EMail TEXT)")) ||
        !query.exec(QStringLiteral("INSERT INTO tbFirma VALUES ('Velmora GmbH', 'info@velmora.example')")) ||
        !query.exec(QStringLiteral(
            "CREATE TABLE tbKunden (KundenNr INTEGER, Anrede TEXT, Vorname TEXT, Name TEXT, Firma TEXT, "
            "Zusatz TEXT, AnsprechPartner TEXT, Strasse TEXT, PLZ TEXT, Ort TEXT, Land TEXT, EMail TEXT, "
            "FreiFeld1 TEXT, FreiFeld2 TEXT, FreiFeld3 TEXT, PreisGruppe INTEGER)")))
        return false;
    db.transaction();
    query.prepare(QStringLiteral("INSERT INTO tbKunden VALUES (?, 'Frau', ?, ?, ?, '', '', 'Weg 1', '10115', ?, "
                                 "'Deutschland', ?, '', '', '', 1)"));
    for (int n = 1; n <= kCustomers; ++n) {
        const QString k = QString::number(n);
        query.addBindValue(n);
        query.addBindValue(QStringLiteral("Jörg") + k);
        query.addBindValue(QStringLiteral("Müller") + k);
        query.addBindValue(QStringLiteral("Firma ") + k);
        query.addBindValue(QStringLiteral("Ort") + k);
        query.addBindValue(QStringLiteral("kunde%1@example.org").arg(n));
        if (!query.exec())
            return false;
    }
    return db.commit();
}

struct Outcome
{
    double seconds = 0;
    int sent = 0;
    int refused = 0;
};

/// Fills the wizard as a user would, times the finish button, then closes it.
void sendThroughWizard(CMail &mail, GapMeter &meter, Outcome &outcome)
{
    frmDialogMail &form = mail.internal().wizard();
    form.recipients()->cmdAddAllKunde()->click();
    form.mainWizard()->nextButton()->click();
    form.sevBetreff()->setText(QStringLiteral("Unser Angebot"));
    form.mainRtfControl()->mainRTF()->setTextRTF(sixTokenTemplate().rtf);
    form.attachments()->cmdAnlageAdd()->click();
    form.mainWizard()->nextButton()->click();

    QElapsedTimer clock;
    clock.start();
    meter.start();
    form.mainWizard()->finishButton()->click();
    outcome.seconds = double(clock.nsecsElapsed()) / 1e9;
    outcome.sent = form.sendStatus()->label(SendLabel::lblOK)->text().toInt();
    outcome.refused = form.sendStatus()->label(SendLabel::lblError)->text().toInt();
    form.mainWizard()->cancelButton()->click();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The delivery journal goes with the run: a journal left by an earlier
    // (or interrupted) run would ask whether to continue it and grow each time.
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    SmtpSink sink;
    if (!sink.start())
        return 1;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("host"));
    db.setDatabaseName(dir.filePath(QStringLiteral("host.sqlite")));
    if (!db.open() || !createHostDatabase(db))
        return 1;

    GapMeter meter;
    meter.openAnswer = writeAttachment(dir.path());
    PlatformServices::setInstance(&meter);
    Outcome outcome;
    {
        CMail mail;
        mail.setADOConnection(db);
        mail.setConfigFileName(dir.filePath(QStringLiteral("velmora.ini")));
        SettingsFileStore store;
        store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Server"), QStringLiteral("127.0.0.1"),
                         mail.ConfigFileName());
        store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Port"), QString::number(sink.port()),
                         mail.ConfigFileName());
        QTimer::singleShot(0, qApp, [&] { sendThroughWizard(mail, meter, outcome); });
        if (mail.ShowDialog() != CallStatus::Ok)
            return 1;
    }
    PlatformServices::setInstance(nullptr);

    printFigures("sendrun_wizard", outcome.sent, outcome.refused, outcome.seconds, meter);
    return outcome.sent == kCustomers ? 0 : 1;
}
