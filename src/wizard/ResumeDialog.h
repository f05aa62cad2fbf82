#pragma once

#include "journal/SendJournal.h"

#include <QDialog>
#include <QSet>

class QListWidget;

namespace OrvVelmora {

/// The offer to continue an interrupted mailing when some recipients are
/// "unsicher": the text, those recipients with a box each (unticked, since
/// they may already have the message), "Fortsetzen" and "Nicht fortsetzen".
class ResumeDialog : public QDialog
{
    Q_OBJECT
public:
    ResumeDialog(const QString &text, const QList<JournalRecipient> &uncertain, QWidget *parent = nullptr);

    [[nodiscard]] QListWidget *list() const { return m_list; }
    /// The keys of the ticked recipients.
    [[nodiscard]] QSet<QString> ticked() const;

    /// Runs the dialog; the ticked keys when the person continues.
    static std::optional<QSet<QString>> choose(const QString &text, const QList<JournalRecipient> &uncertain);

private:
    QList<JournalRecipient> m_uncertain;
    QListWidget *m_list;
};

} // namespace OrvVelmora
