#include "DemoDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

DemoDriver::DemoDriver(const QString &outDir, const QString &attachment)
    : m_out(outDir)
    , m_attachment(attachment)
{
    m_out.mkpath(QStringLiteral("screens"));
}

void DemoDriver::start()
{
    // Polled rather than waited for: a question of the journal comes before
    // the wizard opens, in a loop of its own that must get control back to close.
    auto *poll = new QTimer(this);
    auto *waited = new QElapsedTimer;
    waited->start();
    connect(poll, &QTimer::timeout, this, [this, poll, waited] {
        if (answerJournalQuestion())
            return;
        const bool open = wizard() != nullptr;
        if (!open && waited->elapsed() < 20000)
            return;
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (!open)
            return fail(QStringLiteral("the wizard did not open"));
        run();
    });
    poll->start(50);
}

void DemoDriver::run()
{
    m_clock.start();
    if (m_scaledOnly) {
        scaledShots();
        m_ok = !m_failed;
        closeWizard();
        return;
    }
    // A mailing taken up again comes back on the send pane with everything in place.
    const bool resumed = find<QAbstractButton>(QStringLiteral("wizardFinish"))->isEnabled();
    if (resumed) {
        noteResumed();
    } else {
        recipientsPane();
        if (!m_failed)
            messagePane();
        if (!m_failed)
            accountDialog();
    }
    if (!m_failed)
        sendPane();
    if (!m_failed)
        writeSummary();
    m_ok = !m_failed;
    closeWizard();
}

// Ends the wizard without its question about an unsent letter, which nobody
// would answer here.
void DemoDriver::closeWizard()
{
    if (auto *dialog = qobject_cast<QDialog *>(wizard()))
        dialog->done(QDialog::Rejected);
}

void DemoDriver::fail(const QString &why)
{
    std::fprintf(stderr, "demo: %s\n", qPrintable(why));
    m_failed = true;
    closeWizard();
}

bool DemoDriver::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return true;
}

QWidget *DemoDriver::wizard() const
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Assistent zur Erstellung von Velmoras..."))
            return w;
    return nullptr;
}

template<typename T>
T *DemoDriver::find(const QString &name) const
{
    QWidget *w = wizard();
    QWidget *named = w ? w->findChild<QWidget *>(name) : nullptr;
    if (!named)
        return nullptr;
    // Composite controls (grids, the editor) carry the name on their outer widget.
    if (auto *direct = qobject_cast<T *>(named))
        return direct;
    return named->findChild<T *>();
}

void DemoDriver::click(QAbstractButton *button)
{
    if (!button)
        return fail(QStringLiteral("a button is missing"));
    std::fprintf(stderr, "demo: click %s\n", qPrintable(button->objectName()));
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

void DemoDriver::trigger(const QString &toolId)
{
    std::fprintf(stderr, "demo: tool %s\n", qPrintable(toolId));
    QWidget *w = wizard();
    QAction *action = w ? w->findChild<QAction *>(toolId) : nullptr;
    if (!action)
        return fail(QStringLiteral("tool %1 is missing").arg(toolId));
    action->trigger();
    QCoreApplication::processEvents();
}

// QTest's key helpers only know ASCII; a person's umlauts arrive as key events
// that carry their text.
void DemoDriver::typeText(QWidget *target, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
    QCoreApplication::processEvents();
}

void DemoDriver::shoot(QWidget *widget, const QString &name)
{
    QCoreApplication::processEvents();
    if (widget)
        widget->grab().save(m_out.filePath(QStringLiteral("screens/%1.png").arg(name)));
}

// The click that opens a modal dialog only returns once the dialog is closed,
// so the answer is armed before the click and runs inside the dialog's loop.
void DemoDriver::answerNextDialog(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(50, this, [this, answer] {
        QWidget *modal = nullptr;
        if (!waitFor(
                [&] {
                    modal = QApplication::activeModalWidget();
                    return modal && modal != wizard();
                },
                10000))
            return fail(QStringLiteral("an expected dialog did not open"));
        answer(modal);
    });
}

bool DemoDriver::answerJournalQuestion()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    if (modal->objectName() == QStringLiteral("frmVersandFortsetzen")) {
        auto *list = modal->findChild<QListWidget *>();
        for (int i = 0; list && i < list->count(); ++i)
            list->item(i)->setCheckState(Qt::Checked);
        click(modal->findChild<QAbstractButton *>(QStringLiteral("cmdFortsetzen")));
        return true;
    }
    if (modal->objectName() == QStringLiteral("frmNichtGesendet")) {
        auto *table = modal->findChild<QTableWidget *>();
        m_notSent += table ? table->rowCount() : 0;
        qobject_cast<QDialog *>(modal)->reject();
        return true;
    }
    if (modal->objectName() == QStringLiteral("frmVersandPruefung")) {
        // The check found something; the demo letter is sent all the same.
        m_confirmation = modal->findChild<QLabel *>()->text();
        click(modal->findChild<QAbstractButton *>(QStringLiteral("cmdTrotzdemSenden")));
        return true;
    }
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (box && box->text().contains(QStringLiteral("an die ausgewählten Kunden"))) {
        // Asked once per run; a second time would be a fault.
        if (!m_confirmation.isEmpty())
            fail(QStringLiteral("the send confirmation came twice"));
        m_confirmation = box->text();
        shoot(box, QStringLiteral("3b-bestaetigung"));
        click(box->button(QMessageBox::Yes));
        return true;
    }
    if (box && box->text().contains(QStringLiteral("bereits versandt"))) {
        std::fprintf(stderr, "demo: %s -> Ja\n", qPrintable(box->text().section(QLatin1Char('\r'), 0, 0)));
        click(box->button(QMessageBox::Yes));
        return true;
    }
    return false;
}

// What the wizard came back with, for the crash test to compare with the
// mailing it killed.
void DemoDriver::noteResumed()
{
    auto *recipients = find<QAbstractItemView>(QStringLiteral("sevResult"));
    auto *attachments = find<QAbstractItemView>(QStringLiteral("sevAnlagen"));
    auto *subject = find<QLineEdit>(QStringLiteral("sevBetreff"));
    auto *text = find<QTextEdit>(QStringLiteral("mainRTF"));
    if (!recipients || !attachments || !subject || !text)
        return fail(QStringLiteral("the resumed wizard lacks a control"));
    const QModelIndex attachment = attachments->model()->index(0, 0);
    const QJsonObject resumed{
        {QStringLiteral("recipients"), recipients->model()->rowCount()},
        {QStringLiteral("subject"), subject->text()},
        {QStringLiteral("text"), text->toPlainText()},
        {QStringLiteral("attachment"), attachment.data().toString()},
        {QStringLiteral("zip"), attachment.data(Qt::CheckStateRole).toInt() == Qt::Checked},
    };
    QFile file(m_out.filePath(QStringLiteral("resumed.json")));
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write what the wizard resumed with"));
    file.write(QJsonDocument(resumed).toJson());
}

void DemoDriver::recipientsPane()
{
    auto *customers = find<QAbstractItemView>(QStringLiteral("sevKunden"));
    if (!customers || customers->model()->rowCount() == 0)
        return fail(QStringLiteral("no customers listed"));
    click(find<QAbstractButton>(QStringLiteral("cmdAddAllKunde")));
    shoot(wizard(), QStringLiteral("1-empfaenger"));
    click(find<QAbstractButton>(QStringLiteral("wizardNext")));
}

void DemoDriver::messagePane()
{
    auto *subject = find<QLineEdit>(QStringLiteral("sevBetreff"));
    if (!subject)
        return fail(QStringLiteral("subject field missing"));
    typeText(subject, QStringLiteral("Unser Frühjahrsangebot für Sie"));
    writeMessage();
    attachFile();
    if (!m_invoices.isEmpty())
        attachInvoices();
    shoot(wizard(), QStringLiteral("2-nachricht"));
    preview();
    click(find<QAbstractButton>(QStringLiteral("wizardNext")));
}

// Opens the preview, shows the second recipient and keeps what it showed.
void DemoDriver::preview()
{
    click(find<QAbstractButton>(QStringLiteral("cmdVorschau")));
    QWidget *window = nullptr;
    if (!waitFor(
            [&] {
                window = wizard() ? wizard()->findChild<QWidget *>(QStringLiteral("frmVorschau")) : nullptr;
                return window && window->isVisible();
            },
            5000))
        return fail(QStringLiteral("the preview did not open"));
    QPushButton *next = nullptr;
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->text().contains(QStringLiteral("Nächster")))
            next = button;
    if (!next)
        return fail(QStringLiteral("the preview has no button to the next recipient"));
    QTest::mouseClick(next, Qt::LeftButton);
    QCoreApplication::processEvents();
    QStringList shown;
    for (QLabel *label : window->findChildren<QLabel *>())
        shown << label->text();
    m_preview.insert(QStringLiteral("labels"), QJsonValue::fromVariant(shown));
    m_preview.insert(QStringLiteral("body"), window->findChild<QTextEdit *>()->toPlainText());
    shoot(window, QStringLiteral("2b-vorschau"));
    if (!m_invoices.isEmpty())
        sendTestMail(window);
    window->close();
    QCoreApplication::processEvents();
}

// The wizard on each pane and the account dialog, each at its smallest size.
void DemoDriver::scaledShots()
{
    QWidget *w = wizard();
    w->resize(w->minimumSize());
    const QSize screen = w->screen()->size();
    m_scaled = {{QStringLiteral("scale"), qEnvironmentVariable("QT_SCALE_FACTOR")},
                {QStringLiteral("wizard_min"), QStringLiteral("%1x%2").arg(w->minimumWidth()).arg(w->minimumHeight())},
                {QStringLiteral("screen"), QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height())}};
    shoot(w, QStringLiteral("7-200-empfaenger"));
    answerNextDialog([this](QWidget *dialog) {
        dialog->resize(dialog->minimumSizeHint());
        m_scaled.insert(QStringLiteral("account_min"),
                        QStringLiteral("%1x%2").arg(dialog->width()).arg(dialog->height()));
        shoot(dialog, QStringLiteral("8-200-konto"));
        dialog->close();
    });
    click(find<QAbstractButton>(QStringLiteral("wizardExtra")));
    QFile file(m_out.filePath(QStringLiteral("scaled.json")));
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(m_scaled).toJson());
}

void DemoDriver::writeMessage()
{
    auto *text = find<QTextEdit>(QStringLiteral("mainRTF"));
    if (!text)
        return fail(QStringLiteral("text box missing"));
    text->setFocus();
    const auto type = [this, text](const QString &s) { typeText(text, s); };
    const auto enter = [text] { QTest::keyClick(text, Qt::Key_Return); };
    // The letter opens as a letter does; each kind of customer is greeted in its own way.
    trigger(QStringLiteral("KDBriefAnrede"));
    type(QStringLiteral(","));
    enter();
    trigger(QStringLiteral("FormatAlignCenter"));
    trigger(QStringLiteral("FormatBold"));
    type(QStringLiteral("Frühjahrsangebot 2027"));
    trigger(QStringLiteral("FormatBold"));
    enter();
    trigger(QStringLiteral("FormatAlignLeft"));
    type(QStringLiteral("für Ihre Kundennummer "));
    trigger(QStringLiteral("KDNummer"));
    type(QStringLiteral(" haben wir drei Angebote ausgewählt:"));
    enter();
    trigger(QStringLiteral("FormatBullets"));
    type(QStringLiteral("Frische Brötchen"));
    enter();
    answerNextDialog([](QWidget *dialog) {
        if (auto *colors = qobject_cast<QColorDialog *>(dialog)) {
            colors->setCurrentColor(QColor(0xb0, 0x30, 0x30));
            colors->accept();
        }
    });
    trigger(QStringLiteral("FormatFontColor"));
    type(QStringLiteral("Rote Grütze"));
    enter();
    type(QStringLiteral("Käse aus "));
    trigger(QStringLiteral("KDOrt"));
    enter();
    trigger(QStringLiteral("FormatBullets"));
    type(QStringLiteral("Mit freundlichen Grüßen, Stand "));
    trigger(QStringLiteral("VarDate"));
}

void DemoDriver::attachFile()
{
    answerNextDialog([this](QWidget *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            // Typed into the name field and confirmed with Enter, as a person would.
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name)
                return fail(QStringLiteral("the file dialog has no name field"));
            name->clear();
            typeText(name, m_attachment);
            QTest::keyClick(name, Qt::Key_Return);
        }
    });
    click(find<QAbstractButton>(QStringLiteral("cmdAnlageAdd")));
    auto *attachments = find<QAbstractItemView>(QStringLiteral("sevAnlagen"));
    if (!attachments || attachments->model()->rowCount() != 1)
        return fail(QStringLiteral("attachment not listed"));
    // Space on a row toggles its check box, the mark for "send as ZIP".
    attachments->setFocus();
    attachments->setCurrentIndex(attachments->model()->index(0, 0));
    QTest::keyClick(attachments->viewport(), Qt::Key_Space);
}

// The folder typed in, the name written with the variables list, as a person
// would; the pane then counts who has an invoice.
void DemoDriver::attachInvoices()
{
    answerNextDialog([this](QWidget *dialog) {
        auto *folder = dialog->findChild<QLineEdit *>(QStringLiteral("sevOrdner"));
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("sevDateiname"));
        auto *variables = dialog->findChild<QToolButton *>(QStringLiteral("cmdVariablen"));
        if (!folder || !name || !variables || !variables->menu())
            return fail(QStringLiteral("the personal attachment's dialog lacks a control"));
        typeText(folder, m_invoices);
        name->setFocus();
        typeText(name, QStringLiteral("Rechnung "));
        for (QAction *action : variables->menu()->actions())
            if (action->text() == QStringLiteral("Kunden Nummer"))
                action->trigger();
        typeText(name, QStringLiteral(".pdf"));
        shoot(dialog, QStringLiteral("9-persoenliche-anlage-dialog"));
        qobject_cast<QDialog *>(dialog)->accept();
    });
    click(find<QAbstractButton>(QStringLiteral("cmdPersoenlicheAnlage")));
    auto *shown = find<QLabel>(QStringLiteral("lblPersoenlicheAnlage"));
    if (!shown || !shown->isVisible())
        return fail(QStringLiteral("the pane does not show the personal attachment"));
    m_preview.insert(QStringLiteral("personal_attachment"), shown->text());
    shoot(wizard(), QStringLiteral("9-persoenliche-anlage"));
}

void DemoDriver::sendTestMail(QWidget *preview)
{
    answerNextDialog([this](QWidget *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            m_preview.insert(QStringLiteral("test_mail"), box->text());
            click(box->button(QMessageBox::Ok));
        }
    });
    auto *button = preview->findChild<QAbstractButton *>(QStringLiteral("cmdTestversand"));
    if (!button)
        return fail(QStringLiteral("the preview has no test mail button"));
    click(button);
    if (!m_preview.contains(QStringLiteral("test_mail")))
        fail(QStringLiteral("the test mail told nothing"));
}

void DemoDriver::accountDialog()
{
    answerNextDialog([this](QWidget *dialog) {
        shoot(dialog, QStringLiteral("4-konto"));
        dialog->close();
    });
    click(find<QAbstractButton>(QStringLiteral("wizardExtra")));
}

void DemoDriver::sendPane()
{
    shoot(wizard(), QStringLiteral("3-senden"));
    QElapsedTimer send;
    send.start();
    QTimer questions;
    connect(&questions, &QTimer::timeout, this, &DemoDriver::answerJournalQuestion);
    questions.start(50);
    click(find<QAbstractButton>(QStringLiteral("wizardFinish")));
    questions.stop();
    if (m_confirmation.isEmpty())
        fail(QStringLiteral("finishing did not ask before sending"));
    m_sendMs = send.elapsed();
    shoot(wizard(), QStringLiteral("5-gesendet"));
}

void DemoDriver::writeSummary()
{
    auto *ok = find<QLabel>(QStringLiteral("lblOK"));
    auto *error = find<QLabel>(QStringLiteral("lblError"));
    auto *recipients = find<QAbstractItemView>(QStringLiteral("sevResult"));
    if (!ok || !error || !recipients)
        return fail(QStringLiteral("result labels missing"));
    const QJsonObject summary{
        {QStringLiteral("recipients"), recipients->model()->rowCount()},
        {QStringLiteral("sent"), ok->text().toInt()},
        {QStringLiteral("refused"), error->text().toInt()},
        {QStringLiteral("not_sent"), m_notSent},
        {QStringLiteral("seconds"), m_sendMs / 1000.0},
        {QStringLiteral("confirmation"), m_confirmation},
        {QStringLiteral("preview"), m_preview},
    };
    QFile file(m_out.filePath(QStringLiteral("driver.json")));
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write the summary"));
    file.write(QJsonDocument(summary).toJson());
}
