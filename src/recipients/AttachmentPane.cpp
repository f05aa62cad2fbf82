#include "recipients/AttachmentPane.h"

#include "base/platform/PlatformServices.h"
#include "controls/grid/GridComponent.h"
#include "recipients/PersonalAttachmentDialog.h"

#include <QDir>
#include <QLabel>

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

const QString kFileName = QStringLiteral("FileName");

// Hide read-only, path and file must exist, share aware, explorer style,
// do not dereference links, long file names.
constexpr quint32 kOpenFlags = 3692548;

FileDialogRequest attachmentRequest()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Anlagen");
    request.flags = kOpenFlags;
    request.filter = QStringLiteral("Alle Dateien (*.*)|*.*");
    request.filterIndex = 1;
    return request;
}

} // namespace

AttachmentPane::AttachmentPane(QWidget *parent)
    : QWidget(parent)
    , m_sevAnlagen(new GridComponent(this))
    , m_cmdAnlageAdd(new QPushButton(QStringLiteral("Anlage &hinzufügen"), this))
    , m_cmdAnlageRemove(new QPushButton(QStringLiteral("Anlage entfe&rnen"), this))
    , m_cmdPersoenlicheAnlage(new QPushButton(QStringLiteral("&Persönliche Anlage…"), this))
    , m_lblPersoenlicheAnlage(new QLabel(this))
{
    m_cmdPersoenlicheAnlage->setObjectName(QStringLiteral("cmdPersoenlicheAnlage"));
    m_lblPersoenlicheAnlage->setObjectName(QStringLiteral("lblPersoenlicheAnlage"));
    m_lblPersoenlicheAnlage->setTextFormat(Qt::PlainText);
    m_lblPersoenlicheAnlage->setWordWrap(true);
    m_lblPersoenlicheAnlage->hide();
    m_sevAnlagen->setObjectName(QStringLiteral("sevAnlagen"));
    m_cmdAnlageAdd->setObjectName(QStringLiteral("cmdAnlageAdd"));
    m_cmdAnlageRemove->setObjectName(QStringLiteral("cmdAnlageRemove"));
    m_sevAnlagen->setCaption(QStringLiteral(
        "Anlagen - Markieren Sie die Dateien, die automatisch ins ZIP Format umgewandelt werden sollen."));
    m_sevAnlagen->view()->setAccessibleName(QStringLiteral("Anlagen"));
    m_sevAnlagen->setCheckBoxes(true);
    m_sevAnlagen->setColumnHeadersVisible(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdAnlageAdd);
    buttons->addWidget(m_cmdAnlageRemove);
    buttons->addWidget(m_cmdPersoenlicheAnlage);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_sevAnlagen, 1);
    layout->addWidget(m_lblPersoenlicheAnlage);
    layout->addLayout(buttons);

    connect(m_cmdAnlageAdd, &QPushButton::clicked, this, &AttachmentPane::AddAttachment);
    connect(m_cmdAnlageRemove, &QPushButton::clicked, this, &AttachmentPane::RemoveAttachment);
    connect(m_cmdPersoenlicheAnlage, &QPushButton::clicked, this, &AttachmentPane::ChoosePersonalAttachment);
}

AttachmentPane::~AttachmentPane() = default;

void AttachmentPane::setEditor(QWidget *editor)
{
    m_editor = editor;
}

void AttachmentPane::focusEditor()
{
    if (m_editor)
        m_editor->setFocus();
}

int AttachmentPane::AttachmentCount() const
{
    return m_sevAnlagen->rowCount();
}

QList<AttachmentEntry> AttachmentPane::Attachments() const
{
    QList<AttachmentEntry> entries;
    for (int row = 1; row <= m_sevAnlagen->rowCount(); ++row)
        entries.append({m_sevAnlagen->cellText(row, kFileName).value_or(QString()), m_sevAnlagen->rowChecked(row)});
    return entries;
}

void AttachmentPane::setAttachments(const QList<AttachmentEntry> &entries)
{
    m_sevAnlagen->clear(false);
    for (const AttachmentEntry &entry : entries)
        if (m_sevAnlagen->find(entry.path) == 0 && m_sevAnlagen->addRow(entry.path).isValid())
            m_sevAnlagen->setRowChecked(m_sevAnlagen->rowCount(), entry.zip);
    m_sevAnlagen->refresh();
    m_cmdAnlageRemove->setEnabled(m_sevAnlagen->rowCount() > 0);
}

void AttachmentPane::AddAttachment()
{
    const std::optional<QString> chosen = PlatformServices::instance().showOpen(attachmentRequest());
    if (!chosen || chosen->isEmpty())
        return;
    // The same path twice would send the file twice; paths compare exactly,
    // as the file system does.
    if (m_sevAnlagen->find(*chosen) > 0) {
        PlatformServices::instance().messageBox(QStringLiteral("Diese Anlage ist bereits vorhanden."),
                                                QStringLiteral("Systemmeldung..."), MessageIcon::Information,
                                                MessageButtons::Ok);
    } else {
        if (!m_sevAnlagen->addRow(*chosen).isValid())
            return;
        m_sevAnlagen->refresh();
        m_sevAnlagen->setCurrentRow(m_sevAnlagen->rowCount());
        m_cmdAnlageRemove->setEnabled(m_sevAnlagen->rowCount() > 0);
    }
    focusEditor();
}

void AttachmentPane::RemoveAttachment()
{
    m_sevAnlagen->removeSelectedRows();
    const int rows = m_sevAnlagen->rowCount();
    if (rows > 0)
        m_sevAnlagen->setCurrentRow(rows);
    m_cmdAnlageRemove->setEnabled(rows > 0);
    focusEditor();
}

void AttachmentPane::setPersonalAttachment(const PersonalAttachment &attachment)
{
    m_personal = attachment;
    showPersonalAttachment();
}

void AttachmentPane::setRecipients(const MergeRowSource *rows, std::function<int()> rowCount)
{
    m_rows = rows;
    m_rowCount = std::move(rowCount);
}

void AttachmentPane::showPersonalAttachment()
{
    m_lblPersoenlicheAnlage->setVisible(m_personal.isSet());
    if (!m_personal.isSet())
        return;
    QString text = QStringLiteral("Persönliche Anlage: „%1“ aus „%2“")
                       .arg(m_personal.pattern, QDir::toNativeSeparators(m_personal.folder));
    if (m_personal.zip)
        text += QStringLiteral(", als ZIP-Datei");
    if (m_rows && m_rowCount) {
        const int total = m_rowCount();
        text += QStringLiteral(" – ") + personalCountText(m_personal.countFound(*m_rows, total), total);
    }
    m_lblPersoenlicheAnlage->setText(text + QLatin1Char('.'));
}

void AttachmentPane::ChoosePersonalAttachment()
{
    PersonalAttachmentDialog dialog(m_personal, m_rows, m_rowCount, this);
    if (PlatformServices::instance().execDialog(dialog) == QDialog::Accepted)
        setPersonalAttachment(dialog.chosen());
    focusEditor();
}

// The recipient list may have changed since the pane was last seen.
void AttachmentPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showPersonalAttachment();
}

} // namespace OrvVelmora
