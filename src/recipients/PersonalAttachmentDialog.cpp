#include "recipients/PersonalAttachmentDialog.h"

#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "merge/MergeField.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace OrvVelmora {

QString personalCountText(int found, int total)
{
    return countedText(found, QStringLiteral("%n von "), QStringLiteral("%n von ")) +
        countedText(total, QStringLiteral("%n Empfänger"), QStringLiteral("%n Empfängern")) +
        countedText(found, QStringLiteral(" hat eine Datei"), QStringLiteral(" haben eine Datei"));
}

PersonalAttachmentDialog::PersonalAttachmentDialog(const PersonalAttachment &current, const MergeRowSource *rows,
                                                   RowCount rowCount, QWidget *parent)
    : QDialog(parent)
    , m_rows(rows)
    , m_rowCount(std::move(rowCount))
    , m_folder(new QLineEdit(QDir::toNativeSeparators(current.folder), this))
    , m_pattern(new QLineEdit(current.pattern, this))
    , m_zip(new QCheckBox(QStringLiteral("Als &ZIP-Datei senden"), this))
    , m_count(new QLabel(this))
{
    setObjectName(QStringLiteral("frmPersoenlicheAnlage"));
    setWindowTitle(QStringLiteral("Persönliche Anlage"));
    m_folder->setObjectName(QStringLiteral("sevOrdner"));
    m_pattern->setObjectName(QStringLiteral("sevDateiname"));
    m_pattern->setPlaceholderText(QStringLiteral("Rechnung <#KD_NUMMER#>.pdf"));
    m_zip->setChecked(current.zip);
    m_count->setObjectName(QStringLiteral("lblAnzahl"));
    m_count->setTextFormat(Qt::PlainText);

    auto *browse = new QPushButton(QStringLiteral("Ordner &wählen…"), this);
    browse->setObjectName(QStringLiteral("cmdOrdner"));
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);
    auto *patternRow = new QHBoxLayout;
    patternRow->addWidget(m_pattern, 1);
    patternRow->addWidget(tokenButton());
    auto *form = new QFormLayout;
    for (const auto &[caption, field, row] :
         {std::tuple{"&Ordner:", m_folder, folderRow}, std::tuple{"&Dateiname:", m_pattern, patternRow}}) {
        auto *label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(field);
        form->addRow(label, row);
    }
    form->addRow(QString(), m_zip);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Übernehmen"), QDialogButtonBox::AcceptRole);
    QPushButton *none = buttons->addButton(QStringLiteral("&Keine persönliche Anlage"), QDialogButtonBox::ResetRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Jeder Empfänger erhält seine eigene Datei aus dem Ordner, benannt "
                                                "mit seinen Daten."),
                                 this));
    layout->addLayout(form);
    layout->addWidget(m_count);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &PersonalAttachmentDialog::chooseFolder);
    connect(m_folder, &QLineEdit::textChanged, this, &PersonalAttachmentDialog::recount);
    connect(m_pattern, &QLineEdit::textChanged, this, &PersonalAttachmentDialog::recount);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(none, &QPushButton::clicked, this, [this] {
        m_cleared = true;
        accept();
    });
    recount();
}

PersonalAttachment PersonalAttachmentDialog::chosen() const
{
    if (m_cleared)
        return {};
    return {QDir::fromNativeSeparators(m_folder->text().trimmed()), m_pattern->text().trimmed(), m_zip->isChecked()};
}

// The variables list of the editor, to the file name.
QToolButton *PersonalAttachmentDialog::tokenButton()
{
    auto *button = new QToolButton(this);
    button->setObjectName(QStringLiteral("cmdVariablen"));
    button->setText(QStringLiteral("&Variablen"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    for (const MergeField &field : MergeFields())
        menu->addAction(field.toolCaption, this, [this, token = field.token] { insertToken(token); });
    button->setMenu(menu);
    return button;
}

void PersonalAttachmentDialog::insertToken(const QString &token)
{
    m_pattern->insert(token);
    m_pattern->setFocus();
}

void PersonalAttachmentDialog::chooseFolder()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Ordner der persönlichen Anlagen");
    request.folder = true;
    request.fileName = m_folder->text();
    if (const std::optional<QString> chosen = PlatformServices::instance().showOpen(request);
        chosen && !chosen->isEmpty())
        m_folder->setText(QDir::toNativeSeparators(*chosen));
}

void PersonalAttachmentDialog::recount()
{
    const PersonalAttachment attachment{QDir::fromNativeSeparators(m_folder->text().trimmed()),
                                        m_pattern->text().trimmed(), false};
    if (!m_rows || !m_rowCount || !attachment.isSet()) {
        m_count->clear();
        return;
    }
    const int total = m_rowCount();
    m_count->setText(personalCountText(attachment.countFound(*m_rows, total), total));
}

} // namespace OrvVelmora
