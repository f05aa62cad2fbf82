#include "wizard/MessagePane.h"

#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "controls/wizardframe/LabelledField.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/AttachmentPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace OrvVelmora {

MessagePane::MessagePane(QWidget *parent)
    : QWidget(parent)
    , m_sevBetreff(new QLineEdit)
    , m_sevDringlichkeit(new QComboBox)
    , m_chkLeseBestaetigung(new QCheckBox(QStringLiteral("&Lesebestätigung anfordern"), this))
    , m_mainRtfControl(new OrvRtfCtl32)
    , m_attachments(new AttachmentPane)
    , m_cmdVorschau(new QPushButton(QStringLiteral("&Vorschau…"), this))
{
    m_cmdVorschau->setObjectName(QStringLiteral("cmdVorschau"));
    m_sevBetreff->setObjectName(QStringLiteral("sevBetreff"));
    m_sevDringlichkeit->setObjectName(QStringLiteral("sevDringlichkeit"));
    m_chkLeseBestaetigung->setObjectName(QStringLiteral("chkLeseBestaetigung"));
    m_mainRtfControl->setObjectName(QStringLiteral("mainRtfControl"));
    m_sevDringlichkeit->setMinimumContentsLength(9);
    m_chkLeseBestaetigung->setAutoFillBackground(true);
    m_attachments->setEditor(m_mainRtfControl);
    m_mainRtfControl->mainRTF()->setAccessibleName(QStringLiteral("Nachricht"));

    auto *subject = new LabelledField(QStringLiteral("&Betreff"), m_sevBetreff, this);
    auto *priority = new LabelledField(QStringLiteral("&Dringlichkeit"), m_sevDringlichkeit, this);
    auto *top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(subject, 1);
    top->addWidget(priority);
    top->addWidget(m_chkLeseBestaetigung);
    top->addWidget(m_cmdVorschau);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);
    split->addWidget(m_mainRtfControl);
    split->addWidget(m_attachments);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    m_attachments->setMinimumHeight(120);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    setReadingOrder();
}

// Tab follows the reading order: the top row, the editor's font boxes, the
// text; the attachment list and its buttons follow the text already.
void MessagePane::setReadingOrder()
{
    QList<QWidget *> order{m_sevBetreff, m_sevDringlichkeit, m_chkLeseBestaetigung, m_cmdVorschau};
    for (QComboBox *box : m_mainRtfControl->mainToolBar()->findChildren<QComboBox *>())
        order << box;
    order << m_mainRtfControl->mainRTF();
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

MessagePane::~MessagePane() = default;

} // namespace OrvVelmora
