#pragma once

#include "sendrun/SendRunView.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace OrvVelmora {

class SendRecipients;

/// "Vorschau": the message one recipient of the list will receive (address,
/// subject and formatted body merged with their data, the attachments under
/// the names they travel with), with buttons to the previous and the next
/// recipient. The subject and the text are taken when the window opens; it
/// does not block the wizard.
///
/// Qt's text engine reads the mail's HTML a little differently from mail
/// programs: it draws a <br> that ends a paragraph as a line of its own. The
/// preview gives it the HTML as a mail program would lay it out, so a blank
/// line in the editor shows as one blank line here too (forQtText).
class MessagePreview : public QDialog
{
    Q_OBJECT
public:
    MessagePreview(std::unique_ptr<SendRecipients> recipients, const QString &subject, const QString &rtf,
                   const QList<SendAttachment> &attachments, QWidget *parent = nullptr);
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
    [[nodiscard]] QLabel *lblAttachments() const { return m_attached; }

    /// The mail's HTML with each paragraph's closing line break dropped and
    /// an empty paragraph holding a blank, which Qt then shows as one line.
    [[nodiscard]] static QString forQtText(QString html);

private:
    void buildLayout(const QList<SendAttachment> &attachments);

    std::unique_ptr<SendRecipients> m_recipients;
    QString m_subjectTemplate;
    QString m_rtf;
    int m_row = 0;
    QLabel *m_position;
    QLabel *m_to;
    QLabel *m_subject;
    QLabel *m_attached;
    QTextBrowser *m_body;
    QPushButton *m_previous;
    QPushButton *m_next;
};

} // namespace OrvVelmora
