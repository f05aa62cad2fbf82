#pragma once

#include "sendrun/SendConfirmation.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace OrvVelmora {

class SendRecipients;

/// The question before a mailing when its check found something: the
/// question itself ("N e-Mails an die ausgewählten Kunden über … senden?"),
/// one line per finding with the recipients it concerns below it, and
/// "Trotzdem senden" / "Nicht senden". A finding that refuses the mailing
/// (an attachment gone) leaves only "Schließen". Rows that share an address
/// are sent once unless the person ticks the box to send each its own.
/// Enter and Esc send nothing.
class SendConfirmationDialog : public QDialog
{
    Q_OBJECT
public:
    SendConfirmationDialog(const SendConfirmation &question, const SendRecipients &recipients,
                           QWidget *parent = nullptr);

    [[nodiscard]] QLabel *question() const { return m_question; }
    [[nodiscard]] QTreeWidget *findings() const { return m_findings; }
    /// "An jede Adresse so oft senden, wie sie in der Liste steht"; nullptr without shared addresses.
    [[nodiscard]] QCheckBox *eachAddress() const { return m_eachAddress; }
    /// "Trotzdem senden"; nullptr when the mailing is refused.
    [[nodiscard]] QPushButton *sendButton() const { return m_send; }

    [[nodiscard]] DuplicateAddresses duplicates() const;

    /// Runs the dialog through PlatformServices; what to do with shared
    /// addresses when the person sends, nothing when not.
    static std::optional<DuplicateAddresses> ask(const SendConfirmation &question, const SendRecipients &recipients,
                                                 QWidget *parent);

private:
    void addFinding(const PreflightFinding &finding, const SendRecipients &recipients);
    void updateQuestion();

    SendConfirmation m_confirmation;
    QLabel *m_question;
    QTreeWidget *m_findings;
    QCheckBox *m_eachAddress = nullptr;
    QPushButton *m_send = nullptr;
};

} // namespace OrvVelmora
