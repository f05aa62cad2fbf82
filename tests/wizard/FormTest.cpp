#include "CustomerDatabase.h"
#include "ScriptedPlatformServices.h"

#include "account/frmEMailSetup.h"
#include "component/CMailInternal.h"
#include "editor/OrvRtfCtl32.h"
#include "outside/grid/GridComponent.h"
#include "outside/wizardframe/LabelledField.h"
#include "outside/wizardframe/TabStrip.h"
#include "outside/wizardframe/WizardFrame.h"
#include "outside/wizardframe/WizardPane.h"
#include "wizard/recipients/AttachmentPane.h"
#include "wizard/FormSendRunView.h"
#include "wizard/recipients/RecipientPane.h"
#include "wizard/WizardInitialisation.h"
#include "wizard/frmDialogMail.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QString kNoRecipient = QStringLiteral("Sie müssen mindestens einen Kunden auswählen.");
const QString kNoSubject = QStringLiteral("Sie müssen einen Betreff für diese e-Mail eingeben.");
const QString kNoText = QStringLiteral("Sie müssen einen Text für diese e-Mail eingeben.");

class WizardForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(database.open()) << database.error().toStdString();
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(database.insertCustomer(n, QStringLiteral("Kunde%1").arg(n), QStringLiteral("k%1@x.example").arg(n)));
        mail.setADOConnection(database.db());
        mail.setConfigFileName(folder.filePath(QStringLiteral("velmora.ini")));
    }

    void open()
    {
        form.setOwner(&mail.internal());
        form.show();
    }

    CustomerDatabase database{Backend::SQLite};
    QTemporaryDir folder;
    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    CMail mail;
    frmDialogMail form;
};

} // namespace

TEST_F(WizardForm, OwnerRunsTheInitialisation)
{
    open();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Assistent zur Erstellung von Velmoras..."));
    EXPECT_EQ(form.mainWizard()->CurrentPane(), 0);
    EXPECT_TRUE(form.mainWizard()->NavigationEnabled());
    EXPECT_EQ(form.sevKunden()->rowCount(), 3);
    ASSERT_EQ(form.sevDringlichkeit()->count(), 3);
    EXPECT_EQ((QStringList{form.sevDringlichkeit()->itemText(0), form.sevDringlichkeit()->itemText(1),
                           form.sevDringlichkeit()->itemText(2), form.sevDringlichkeit()->currentText()}),
              (QStringList{"Hoch", "Normal", "Niedrig", "Normal"}));
    EXPECT_FALSE(form.attachments()->cmdAnlageRemove()->isEnabled());
    EXPECT_EQ(form.mainRtfControl()->Titel(), QStringLiteral("Text bearbeiten..."));
    EXPECT_EQ(form.sevAnlagen()->column(1).key(), QStringLiteral("FileName"));

    const QString finish = form.wizPane(2)->Description();
    EXPECT_EQ(finish, WizardInitialisation::finishText());
    EXPECT_EQ(finish.count(QStringLiteral("\r\n")), 5);
    EXPECT_TRUE(finish.contains(QStringLiteral("auszulösen.\r\n\r\n\r\nSie können")));
    EXPECT_TRUE(form.wizPane(1)->Description().contains(QStringLiteral("Verfügung.     Natürlich")));

    // The send pane's third colour differs from the other two panes'.
    const ColorScheme &scheme = *mail.Color();
    EXPECT_EQ(form.wizPane(0)->AccentColor(), scheme.SchemeColor2());
    EXPECT_EQ(form.wizPane(1)->AccentColor(), scheme.SchemeColor2());
    EXPECT_EQ(form.wizPane(2)->AccentColor(), scheme.SchemeColor1());
    EXPECT_EQ(form.mainWizard()->ForeColor(), scheme.SchemeColor1());
    EXPECT_EQ(form.findChild<TabStrip *>(QStringLiteral("sevRegisterVorgang"))->AccentColor(), scheme.SchemeColor5());
}

TEST_F(WizardForm, InitialisationSkipsFailingStepsAndStillOpens)
{
    mail.setColor(nullptr);
    mail.setADOConnection(QSqlDatabase());
    open();
    EXPECT_EQ(form.mainWizard()->CurrentPane(), 0);
    EXPECT_EQ(form.sevKunden()->rowCount(), 0);
    // The steps behind the failing ones still ran.
    EXPECT_EQ(form.sevDringlichkeit()->currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(form.mainRtfControl()->Titel(), QStringLiteral("Text bearbeiten..."));
    EXPECT_EQ(form.wizPane(2)->Description(), WizardInitialisation::finishText());
    EXPECT_EQ(form.sevAnlagen()->columnCount(), 1);
    EXPECT_TRUE(platform.messages.isEmpty());
}

struct FlowStep
{
    const char *name;
    std::function<void(frmDialogMail &)> prepare;
    bool next; // false: back
    int paneAfter;
    QString message;
    const char *focusTarget; // "sevKunden", "sevBetreff", "editor" or none
};

TEST_F(WizardForm, PaneFlowValidatesAndPlacesTheFocus)
{
    open();
    const auto none = [](frmDialogMail &) {};
    const QList<FlowStep> steps{
        {"no recipient yet", none, true, 0, kNoRecipient, "sevKunden"},
        {"one recipient", [](frmDialogMail &f) { f.sevKunden()->setCurrentRow(2); f.sevKunden()->view()->selectRow(1);
                                                 f.recipients()->TransferSelected(); },
         true, 1, {}, "sevBetreff"},
        {"subject of blanks", [](frmDialogMail &f) { f.sevBetreff()->setText(QStringLiteral("   ")); }, true, 1,
         kNoSubject, "sevBetreff"},
        {"subject but no text", [](frmDialogMail &f) { f.sevBetreff()->setText(QStringLiteral(" Angebot ")); },
         true, 1, kNoText, "editor"},
        {"text of blanks", [](frmDialogMail &f) { f.mainRtfControl()->setText(QStringLiteral("    ")); }, true, 1,
         kNoText, "editor"},
        {"text of line breaks only is accepted",
         [](frmDialogMail &f) { f.mainRtfControl()->setText(QStringLiteral("\n\n")); }, true, 2, {}, nullptr},
        {"next on the send pane does nothing", [](frmDialogMail &f) { Q_EMIT f.mainWizard()->NextClick(2); }, true, 2, {},
         nullptr},
        {"back from the send pane", none, false, 1, {}, "sevBetreff"},
        {"back from the message pane", none, false, 0, {}, "sevKunden"},
    };
    for (const FlowStep &step : steps) {
        SCOPED_TRACE(step.name);
        platform.messages.clear();
        step.prepare(form);
        QTest::mouseClick(step.next ? form.mainWizard()->nextButton() : form.mainWizard()->backButton(),
                          Qt::LeftButton);
        EXPECT_EQ(form.mainWizard()->CurrentPane(), step.paneAfter);
        if (step.message.isEmpty()) {
            EXPECT_TRUE(platform.messages.isEmpty());
        } else {
            ASSERT_EQ(platform.messages.size(), 1);
            EXPECT_EQ(platform.messages[0].text, step.message);
            EXPECT_EQ(platform.messages[0].caption, QStringLiteral("Systemmeldung..."));
            EXPECT_EQ(platform.messages[0].icon, MessageIcon::Information);
            EXPECT_EQ(platform.messages[0].buttons, MessageButtons::Ok);
        }
        // The widget that has (or, in an inactive window, would get) the keyboard focus.
        QWidget *focus = form.focusWidget();
        const QString target = QString::fromLatin1(step.focusTarget ? step.focusTarget : "");
        if (target == QLatin1String("editor")) {
            EXPECT_TRUE(focus == form.mainRtfControl() || form.mainRtfControl()->isAncestorOf(focus));
        } else if (!target.isEmpty()) {
            EXPECT_EQ(focus, target == QLatin1String("sevKunden") ? static_cast<QWidget *>(form.sevKunden()->view())
                                                                  : form.sevBetreff());
        }
    }
    EXPECT_EQ(form.sevResult()->rowCount(), 1);
}

TEST_F(WizardForm, AccountButtonChangesTheSettingsTheNextRunReads)
{
    open();
    mail.internal().setSmtpServer(QStringLiteral("alt.example"));
    mail.internal().setSenderAddress(QStringLiteral("ich@x.example"));
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<frmEMailSetup *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialogSeen = dialog->isModal() && dialog->windowTitle() == QStringLiteral("Einstellungen");
        dialog->sevServer()->setText(QStringLiteral(" neu.example "));
        QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
    });
    QTest::mouseClick(form.mainWizard()->extraButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(mail.internal().SmtpServer(), QStringLiteral("neu.example"));
    EXPECT_EQ(FormSendRunView(form).senderSettings().SmtpServer, QStringLiteral("neu.example"));
    EXPECT_TRUE(QFile::exists(mail.ConfigFileName()));
}

TEST_F(WizardForm, ClosingReleasesTheRecordSetAndTheSettingsStore)
{
    open();
    (void)form.settingsStore();
    ASSERT_TRUE(form.recipients()->customersOpen());
    ASSERT_TRUE(form.hasSettingsStore());
    QTest::mouseClick(form.mainWizard()->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.recipients()->customersOpen());
    EXPECT_FALSE(form.hasSettingsStore());
}

TEST_F(WizardForm, QtsOwnButtonsSpeakGerman)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
}
