// Shows the wizard at one stage, for the screen-reader test to read through
// the accessibility bus: the recipients pane, the message pane, the send pane
// or the account dialog (the first argument: 0, 1, 2 or "konto"). It prints
// "bereit" once the stage is on screen and runs until it is ended.
#include "CustomerDatabase.h"

#include "account/frmEMailSetup.h"
#include "component/CMailInternal.h"
#include "controls/wizardframe/WizardFrame.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/RecipientPane.h"
#include "wizard/frmDialogMail.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

int main(int argc, char **argv)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication app(argc, argv);
    const QString stage = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("0");
    CustomerDatabase database(Backend::SQLite);
    if (!database.open())
        return 2;
    for (int n = 1; n <= 3; ++n)
        database.insertCustomer(n, QStringLiteral("Kunde%1").arg(n), QStringLiteral("k%1@x.example").arg(n));
    const QTemporaryDir folder;
    CMail mail;
    mail.setADOConnection(database.db());
    mail.setConfigFileName(folder.filePath(QStringLiteral("velmora.ini")));
    frmDialogMail form;
    form.setOwner(&mail.internal());
    form.show();
    if (stage == QLatin1String("1") || stage == QLatin1String("2")) {
        form.recipients()->TransferAll();
        form.mainWizard()->nextButton()->click();
    }
    if (stage == QLatin1String("2")) {
        form.sevBetreff()->setText(QStringLiteral("Angebot"));
        form.mainRtfControl()->setText(QStringLiteral("Guten Tag"));
        form.mainWizard()->nextButton()->click();
    }
    frmEMailSetup account(&mail.internal(), &form);
    if (stage == QLatin1String("konto"))
        account.show();
    QTimer::singleShot(0, qApp, [] {
        std::puts("bereit");
        std::fflush(stdout);
    });
    return app.exec();
}
