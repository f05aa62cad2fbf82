#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace OrvVelmora {

class SendRecipients;

/// "Vorschau": the message one recipient of the list will receive (address,
/// subject and formatted body merged with their data, the attachments), with
/// buttons to the previous and the next recipient. The subject and the text
/// are taken when the window opens; it does not block the wizard.
class MessagePreview : public QDialog
{
    Q_OBJECT
public:
    MessagePreview(std::unique_ptr<SendRecipients> recipients, const QString &subject, const QString &rtf,
                   const QStringList &attachments, QWidget *parent = nullptr);
    ~MessagePreview() override;

    /// Shows the recipient in this row (from 1); other rows are ignored.
    void showRow(int row);
    [[nodiscard]] int row() const { return m_row; }

    [[nodiscard]] QLabel *lblPosition() const { return m_position; }
    [[nodiscard]] QLabel *lblTo() const { return m_to; }
    [[nodiscard]] QLabel *lblSubject() const { return m_subject; }
    [[nodiscard]] QTextBrowser *body() const { return m_body; }
    [[nodiscard]] QPushButton *previousButton() const { return m_previous; }
    [[nodiscard]] QPushButton *nextButton() const { return m_next; }

private:
    void buildLayout(const QStringList &attachments);

    std::unique_ptr<SendRecipients> m_recipients;
    QString m_subjectTemplate;
    QString m_rtf;
    int m_row = 0;
    QLabel *m_position;
    QLabel *m_to;
    QLabel *m_subject;
    QTextBrowser *m_body;
    QPushButton *m_previous;
    QPushButton *m_next;
};

} // namespace OrvVelmora
