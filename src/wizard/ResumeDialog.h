#pragma once

#include "sendrun/MailingSelection.h"

#include <QDialog>
#include <QSet>

class QListWidget;

namespace OrvVelmora {

/// The offer to continue an interrupted mailing: the text, the "unsicher"
/// recipients with a box each (unticked, since they may already have the
/// message), and "Fortsetzen", "Später" and "Nicht fortsetzen". Only the last
/// closes the mailing for good; Esc and the close box mean "Später", so a
/// reflexive key press never loses the offer.
class ResumeDialog : public QDialog
{
    Q_OBJECT
public:
    ResumeDialog(const QString &text, const QList<JournalRecipient> &uncertain, QWidget *parent = nullptr);

    [[nodiscard]] QListWidget *list() const { return m_list; }
    /// The keys of the ticked recipients.
    [[nodiscard]] QSet<QString> ticked() const;
    /// What the person chose, by the dialog's result.
    [[nodiscard]] ResumeAnswer answer(int result) const;

    /// Runs the dialog and says what the person chose.
    static ResumeAnswer choose(const QString &text, const QList<JournalRecipient> &uncertain);

private:
    QList<JournalRecipient> m_uncertain;
    QListWidget *m_list;
    bool m_never = false;
};

} // namespace OrvVelmora
