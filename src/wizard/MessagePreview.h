#pragma once

#include "sendrun/SendRunView.h"
#include "wizard/TestMailToMe.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace OrvVelmora {

class SendRecipients;

/// The letter as the preview takes it when it opens.
struct PreviewLetter
{
    QString subject;
    QString text;
    QString rtf;
    QList<SendAttachment> attachments;
    PersonalAttachment personal;
};

/// "Vorschau": the message one recipient of the list will receive (address,
/// subject and formatted body merged with their data, the attachments under
/// the names they travel with), with buttons to the previous and the next
/// recipient. The subject and the text are taken when the window opens; it
/// does not block the wizard. "Testversand an mich" hands the message shown,
/// as the run would send it, to the handler set with setTestMail().
///
/// Qt's text engine reads the mail's HTML a little differently from mail
/// programs: it draws a <br> that ends a paragraph as a line of its own. The
/// preview gives it the HTML as a mail program would lay it out, so a blank
/// line in the editor shows as one blank line here too (forQtText).
class MessagePreview : public QDialog
{
    Q_OBJECT
public:
    MessagePreview(std::unique_ptr<SendRecipients> recipients, PreviewLetter letter, QWidget *parent = nullptr);
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
    [[nodiscard]] QPushButton *cmdTestversand() const { return m_testMail; }

    /// What "Testversand an mich" does with the message shown; without it the button is off.
    void setTestMail(std::function<void(const RecipientMail &)> send);
    /// The message of the recipient in this row, as the send run builds it.
    [[nodiscard]] RecipientMail mailFor(int row) const;

    /// The mail's HTML with each paragraph's closing line break dropped and
    /// an empty paragraph holding a blank, which Qt then shows as one line.
    [[nodiscard]] static QString forQtText(QString html);

private:
    void buildLayout();
    [[nodiscard]] QString attachmentNames(const RecipientMail &mail) const;

    std::unique_ptr<SendRecipients> m_recipients;
    PreviewLetter m_letter;
    std::function<void(const RecipientMail &)> m_sendTest;
    int m_row = 0;
    QLabel *m_position;
    QLabel *m_to;
    QLabel *m_subject;
    QLabel *m_attached;
    QTextBrowser *m_body;
    QPushButton *m_previous;
    QPushButton *m_next;
    QPushButton *m_testMail;
};

} // namespace OrvVelmora
