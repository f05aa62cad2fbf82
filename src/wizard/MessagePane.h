#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace OrvVelmora {

class AttachmentPane;
class LabelledField;
class OrvRtfCtl32;

/// The message pane's content: the subject sevBetreff, the priority list
/// sevDringlichkeit, the read-receipt box chkLeseBestaetigung, the editor
/// mainRtfControl and, below it, the attachment list. The editor and the
/// attachments share the height through a splitter the user may move.
class MessagePane : public QWidget
{
    Q_OBJECT
public:
    explicit MessagePane(QWidget *parent = nullptr);
    ~MessagePane() override;

    [[nodiscard]] QLineEdit *sevBetreff() const { return m_sevBetreff; }
    [[nodiscard]] QComboBox *sevDringlichkeit() const { return m_sevDringlichkeit; }
    [[nodiscard]] QCheckBox *chkLeseBestaetigung() const { return m_chkLeseBestaetigung; }
    [[nodiscard]] OrvRtfCtl32 *mainRtfControl() const { return m_mainRtfControl; }
    [[nodiscard]] AttachmentPane *attachments() const { return m_attachments; }
    /// "Vorschau…": the form opens the merged message of a recipient.
    [[nodiscard]] QPushButton *cmdVorschau() const { return m_cmdVorschau; }

private:
    void setReadingOrder();

    QLineEdit *m_sevBetreff;
    QComboBox *m_sevDringlichkeit;
    QCheckBox *m_chkLeseBestaetigung;
    OrvRtfCtl32 *m_mainRtfControl;
    AttachmentPane *m_attachments;
    QPushButton *m_cmdVorschau;
};

} // namespace OrvVelmora
