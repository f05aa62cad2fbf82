#include "CustomerDatabase.h"
#include "ScriptedPlatformServices.h"

#include "account/frmEMailSetup.h"
#include "component/CMailInternal.h"
#include "controls/grid/GridComponent.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "controls/wizardframe/LabelledField.h"
#include "controls/wizardframe/TabStrip.h"
#include "controls/wizardframe/WizardFrame.h"
#include "controls/wizardframe/WizardPane.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "wizard/ElidedLabel.h"
#include "wizard/FormSendRunView.h"
#include "wizard/MessagePane.h"
#include "wizard/MessagePreview.h"
#include "wizard/SendStatusPane.h"
#include "wizard/WizardInitialisation.h"
#include "wizard/frmDialogMail.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

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
            ASSERT_TRUE(
                database.insertCustomer(n, QStringLiteral("Kunde%1").arg(n), QStringLiteral("k%1@x.example").arg(n)));
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
        {"one recipient",
         [](frmDialogMail &f) {
             f.sevKunden()->setCurrentRow(2);
             f.sevKunden()->view()->selectRow(1);
             f.recipients()->TransferSelected();
         },
         true,
         1,
         {},
         "sevBetreff"},
        {"subject of blanks", [](frmDialogMail &f) { f.sevBetreff()->setText(QStringLiteral("   ")); }, true, 1,
         kNoSubject, "sevBetreff"},
        {"subject but no text", [](frmDialogMail &f) { f.sevBetreff()->setText(QStringLiteral(" Angebot ")); }, true, 1,
         kNoText, "editor"},
        {"text of blanks", [](frmDialogMail &f) { f.mainRtfControl()->setText(QStringLiteral("    ")); }, true, 1,
         kNoText, "editor"},
        {"text of line breaks only is accepted",
         [](frmDialogMail &f) { f.mainRtfControl()->setText(QStringLiteral("\n\n")); },
         true,
         2,
         {},
         nullptr},
        {"next on the send pane does nothing",
         [](frmDialogMail &f) { Q_EMIT f.mainWizard()->NextClick(2); },
         true,
         2,
         {},
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
            EXPECT_EQ(focus,
                      target == QLatin1String("sevKunden") ? static_cast<QWidget *>(form.sevKunden()->view())
                                                           : form.sevBetreff());
        }
    }
    EXPECT_EQ(form.sevResult()->rowCount(), 1);
}

// Highlighted but not transferred: Weiter offers to transfer them; Enter does.
TEST_F(WizardForm, WeiterWithHighlightedCustomersOffersToTransferThem)
{
    open();
    QTableView *customers = form.sevKunden()->view();
    customers->selectionModel()->select(
        QItemSelection(customers->model()->index(0, 0), customers->model()->index(1, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    platform.messageAnswers << MessageAnswer::No << ScriptedPlatformServices::PressEnter;
    form.mainWizard()->nextButton()->click();
    ASSERT_EQ(platform.messages.size(), 1);
    EXPECT_TRUE(platform.messages[0].text.startsWith(QStringLiteral("Sie haben 2 Kunden markiert")));
    EXPECT_EQ(platform.messages[0].actions,
              (QStringList{QStringLiteral("Übernehmen und weiter"), QStringLiteral("Nicht übernehmen")}));
    EXPECT_EQ(form.mainWizard()->CurrentPane(), 0);
    EXPECT_EQ(form.sevResult()->rowCount(), 0);

    form.mainWizard()->nextButton()->click();
    EXPECT_EQ(form.sevResult()->rowCount(), 2);
    EXPECT_EQ(form.mainWizard()->CurrentPane(), 1);
    EXPECT_EQ(form.focusWidget(), form.sevBetreff());
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
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
}

namespace {

// The wizard on the message pane with the first customer chosen.
void toMessagePane(frmDialogMail &form, int customers = 1)
{
    for (int row = 1; row <= customers; ++row) {
        form.sevKunden()->view()->selectRow(row - 1);
        form.recipients()->TransferSelected();
    }
    form.mainWizard()->nextButton()->click();
}

void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(target, key, modifiers);
    QCoreApplication::processEvents();
}

// Every visible button with a caption has an Alt+letter of its own on the page shown.
void expectOwnMnemonics(const frmDialogMail &form)
{
    QMap<QKeySequence, QString> taken;
    for (const QAbstractButton *button : form.findChildren<QAbstractButton *>()) {
        if (!button->isVisible() || button->text().isEmpty() || qobject_cast<const QToolButton *>(button))
            continue;
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        EXPECT_FALSE(key.isEmpty()) << "no Alt+letter: " << button->text().toStdString();
        if (key.isEmpty())
            continue;
        EXPECT_FALSE(taken.contains(key)) << button->text().toStdString() << " and " << taken.value(key).toStdString();
        taken.insert(key, button->text());
    }
}

} // namespace

TEST_F(WizardForm, EnterInAFieldNeverMovesTheWizardOnlyAFocusedButton)
{
    open();
    QWidget *fontSize = nullptr;
    for (auto *combo : form.mainRtfControl()->findChildren<QComboBox *>())
        if (combo->isEditable())
            fontSize = combo->lineEdit();
    ASSERT_NE(fontSize, nullptr);

    // The keypad's Enter is a key of its own (Key_Enter); both must behave alike.
    const Qt::Key enterKeys[] = {Qt::Key_Return, Qt::Key_Enter};
    for (const Qt::Key enter : enterKeys)
        press(form.sevKunden()->view(), enter);
    EXPECT_EQ(form.mainWizard()->CurrentPane(), 0) << "Enter in the customer grid";
    form.mainWizard()->nextButton()->setFocus();
    platform.messageAnswers.enqueue(MessageAnswer::Ok);
    press(form.mainWizard()->nextButton(), Qt::Key_Return);
    QTest::qWait(300); // the animated click
    ASSERT_EQ(platform.messages.size(), 1) << "Enter on the focused Weiter button presses it";
    EXPECT_EQ(platform.messages[0].text, kNoRecipient);

    toMessagePane(form);
    form.sevBetreff()->setText(QStringLiteral("Angebot"));
    form.mainRtfControl()->setText(QStringLiteral("Text"));
    // Qt makes a button that had the focus the dialog's default; Enter in a
    // field must not reach it either.
    form.attachments()->cmdAnlageAdd()->setDefault(true);
    for (QWidget *field :
         {static_cast<QWidget *>(form.sevBetreff()), fontSize, static_cast<QWidget *>(form.sevAnlagen()->view())}) {
        for (const Qt::Key enter : enterKeys) {
            SCOPED_TRACE(field->objectName().toStdString() + (enter == Qt::Key_Enter ? " keypad Enter" : " Return"));
            press(field, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_EQ(form.mainWizard()->CurrentPane(), 1);
            EXPECT_TRUE(platform.fileDialogs.isEmpty()) << "the default button was pressed";
        }
    }
    form.mainWizard()->nextButton()->click();
    platform.messages.clear();
    for (const Qt::Key enter : enterKeys)
        press(form.sendStatus(), enter);
    EXPECT_TRUE(platform.messages.isEmpty()) << "Enter on the send pane neither asks nor sends";
}

TEST_F(WizardForm, ClosingWithAWrittenUnsentLetterAsksFirst)
{
    const auto esc = [this] { press(&form, Qt::Key_Escape); };
    const auto cancel = [this] { form.mainWizard()->cancelButton()->click(); };
    const auto closeBox = [this] { form.close(); };
    const struct
    {
        const char *name;
        std::function<void()> close;
        bool written;
        MessageAnswer answer;
        bool closed;
    } cases[] = {
        {"Esc, nothing written", esc, false, MessageAnswer::No, true},
        {"Esc, letter written, No", esc, true, MessageAnswer::No, false},
        {"Esc, letter written, Enter on the question", esc, true, ScriptedPlatformServices::PressEnter, false},
        {"Abbrechen, letter written, Yes", cancel, true, MessageAnswer::Yes, true},
        {"close box, letter written, No", closeBox, true, MessageAnswer::No, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        open();
        platform.messages.clear();
        form.mainRtfControl()->setText(c.written ? QStringLiteral("Liebe Kunden") : QString());
        platform.messageAnswers.enqueue(c.answer);
        c.close();
        EXPECT_EQ(!form.isVisible(), c.closed);
        ASSERT_EQ(platform.messages.size(), c.written ? 1 : 0);
        if (c.written) {
            EXPECT_TRUE(platform.messages[0].text.startsWith(QStringLiteral("Ihre e-Mail wurde noch nicht gesendet.")));
            EXPECT_EQ(platform.messages[0].buttons, MessageButtons::YesNo);
            EXPECT_EQ(platform.messages[0].defaultAnswer, MessageAnswer::No);
        }
        platform.messageAnswers.clear();
    }
}

// The preview shows what the mail carries: one blank line for one, and a
// file marked for ZIP under the name it travels with.
TEST_F(WizardForm, PreviewShowsEachRecipientsMergedMessage)
{
    open();
    toMessagePane(form, 3);
    form.sevBetreff()->setText(QStringLiteral("Angebot für <#KD_NAME#>"));
    form.mainRtfControl()->mainRTF()->setTextRTF(
        QStringLiteral("{\\rtf1 Hallo {\\b <#KD_}NAME#>!\\par\\par Gru\\'df\\par}"));
    for (const char *name : {"Preisliste.pdf", "Katalog.pdf"}) {
        platform.fileAnswers.enqueue(folder.filePath(QString::fromLatin1(name)));
        form.attachments()->cmdAnlageAdd()->click();
    }
    form.sevAnlagen()->setRowChecked(2, true);
    form.message()->cmdVorschau()->click();
    auto *preview = form.findChild<MessagePreview *>();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(preview->isVisible());

    QStringList seen;
    for (int step = 0; step < 4; ++step) {
        seen << QStringLiteral("%1|%2|%3|%4")
                    .arg(preview->lblPosition()->text(), preview->lblTo()->text(), preview->lblSubject()->text(),
                         preview->body()->toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).trimmed());
        preview->nextButton()->click();
    }
    EXPECT_EQ(
        seen,
        (QStringList{QStringLiteral("Empfänger 1 von 3|k1@x.example|Angebot für Kunde1|Hallo Kunde1!\n \nGruß"),
                     QStringLiteral("Empfänger 2 von 3|k2@x.example|Angebot für Kunde2|Hallo Kunde2!\n \nGruß"),
                     QStringLiteral("Empfänger 3 von 3|k3@x.example|Angebot für Kunde3|Hallo Kunde3!\n \nGruß"),
                     QStringLiteral("Empfänger 3 von 3|k3@x.example|Angebot für Kunde3|Hallo Kunde3!\n \nGruß")}));
    EXPECT_EQ(preview->lblAttachments()->text(), QStringLiteral("Preisliste.pdf, Katalog.pdf.zip"));
    EXPECT_FALSE(preview->nextButton()->isEnabled());
    EXPECT_TRUE(preview->previousButton()->isEnabled());
    EXPECT_TRUE(preview->body()->toHtml().contains(QStringLiteral("font-weight:700")));
}

TEST_F(WizardForm, FitsHalfAFullHdScreenAndTheKeyboardReachesEveryControl)
{
    open();
    form.resize(form.minimumSize());
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_LE(form.width(), 960);
    EXPECT_LE(form.height(), 540);
    // The run's progress shows in the button row too, its label never cut.
    form.mainWizard()->setProgressVisible(true);
    form.mainWizard()->setProgressText(QStringLiteral("Sende e-Mail 110 von 225"));
    QCoreApplication::processEvents();
    auto *progressText = form.mainWizard()->findChild<QLabel *>(QStringLiteral("wizardProgressText"));
    EXPECT_GE(progressText->width(), progressText->sizeHint().width());
    for (QPushButton *button : form.mainWizard()->findChildren<QPushButton *>()) {
        if (!button->isVisible())
            continue;
        EXPECT_TRUE(form.rect().contains(QRect(button->mapTo(&form, QPoint()), button->size())))
            << button->text().toStdString();
        EXPECT_GE(button->width(), button->sizeHint().width()) << "caption cut: " << button->text().toStdString();
    }

    // Tab leaves the grid; Ctrl+Tab walks its cells.
    QTableView *grid = form.sevKunden()->view();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    press(grid, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex().column(), 1);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    press(grid, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), grid);

    expectOwnMnemonics(form);

    // Long customer data is cut short with its whole text in the tooltip; no
    // pane scrolls sideways.
    const QString longFirma = QStringLiteral("Vereinigte Mühlen-, Brauerei- und Getränkegroßhandelsgesellschaft "
                                             "Süddeutschland-Österreich mit beschränkter Haftung & Compagnie KGaA");
    form.sendStatus()->label(SendLabel::lblFirma)->setText(longFirma);
    form.sendStatus()->label(SendLabel::lblStatus)->setText(QStringLiteral("550 ") + longFirma.repeated(2).remove(' '));
    form.mainWizard()->NextPane();
    form.mainWizard()->NextPane();
    QCoreApplication::processEvents();
    for (QScrollArea *pane : form.findChildren<QScrollArea *>())
        if (pane->isVisible())
            EXPECT_EQ(pane->horizontalScrollBar()->maximum(), 0) << pane->widget()->metaObject()->className();
    form.sendStatus()->sevRegisterVorgang()->grab();
    auto *firma = qobject_cast<ElidedLabel *>(form.sendStatus()->label(SendLabel::lblFirma));
    ASSERT_NE(firma, nullptr);
    EXPECT_TRUE(firma->shownText().endsWith(QStringLiteral("…"))) << firma->shownText().toStdString();
    EXPECT_EQ(firma->toolTip(), longFirma);
    form.mainWizard()->PreviousPane();
    form.mainWizard()->PreviousPane();

    // On the message pane Tab walks every control in reading order, Shift+Tab the same way back.
    toMessagePane(form);
    expectOwnMnemonics(form);
    const auto walk = [](Qt::Key key, int steps) {
        QList<QWidget *> visited;
        for (int i = 0; i < steps; ++i) {
            visited << QApplication::focusWidget();
            press(QApplication::focusWidget(), key);
        }
        return visited;
    };
    // The toolbar is one stop (its first tool until another is used); the arrows walk it.
    QToolBar *tools = form.mainRtfControl()->mainToolBar()->dockedBand();
    const QList<QWidget *> readingOrder{form.sevBetreff(),
                                        form.sevDringlichkeit(),
                                        form.chkLeseBestaetigung(),
                                        form.message()->cmdVorschau(),
                                        tools->widgetForAction(tools->actions().constFirst()),
                                        form.mainRtfControl()->mainRTF(),
                                        form.sevAnlagen()->view(),
                                        form.attachments()->cmdAnlageAdd(),
                                        form.attachments()->cmdPersoenlicheAnlage(),
                                        form.mainWizard()->extraButton(),
                                        form.mainWizard()->backButton(),
                                        form.mainWizard()->nextButton(),
                                        form.mainWizard()->cancelButton(),
                                        form.sevBetreff()};
    form.sevBetreff()->setFocus();
    EXPECT_EQ(walk(Qt::Key_Tab, int(readingOrder.size())), readingOrder);
    QList<QWidget *> backwards(readingOrder.rbegin(), readingOrder.rend());
    form.sevBetreff()->setFocus();
    EXPECT_EQ(walk(Qt::Key_Backtab, int(backwards.size())), backwards);
}
