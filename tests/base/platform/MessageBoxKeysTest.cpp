// The real message box as a person works it with the keyboard: which answer
// Enter and Esc give for a question that names its default and one that does
// not, and how it shows text from outside.
#include "base/platform/QtPlatformServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace OrvVelmora;

// Presses `key` on the box as soon as it is up, on whatever has the focus there.
MessageAnswer answerWithKey(std::optional<MessageAnswer> defaultAnswer, Qt::Key key, QString &focused)
{
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, &press, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        press.stop();
        QWidget *target = box->focusWidget() ? box->focusWidget() : box;
        focused = QString::fromUtf8(target->metaObject()->className()) + QLatin1Char(' ') +
            (qobject_cast<QAbstractButton *>(target) ? qobject_cast<QAbstractButton *>(target)->text() : QString());
        QTest::keyClick(target, key);
    });
    press.start(20);
    // Should the key go nowhere, the box would wait forever; end it after a while.
    QTimer::singleShot(5000, qApp, [] {
        if (QWidget *open = QApplication::activeModalWidget())
            open->close();
    });
    QtPlatformServices services;
    return services.messageBox(QStringLiteral("5 e-Mails senden?"), QStringLiteral("Systemmeldung..."),
                               MessageIcon::Question, MessageButtons::YesNo, defaultAnswer);
}

TEST(MessageBoxKeys, EnterGivesTheNamedDefaultAndEscAlwaysNo)
{
    struct Case
    {
        const char *name;
        std::optional<MessageAnswer> defaultAnswer;
        Qt::Key key;
        MessageAnswer expected;
    } cases[] = {
        {"default Nein, Enter", MessageAnswer::No, Qt::Key_Return, MessageAnswer::No},
        {"default Nein, keypad Enter", MessageAnswer::No, Qt::Key_Enter, MessageAnswer::No},
        {"default Nein, Esc", MessageAnswer::No, Qt::Key_Escape, MessageAnswer::No},
        {"default Ja, Enter", MessageAnswer::Yes, Qt::Key_Return, MessageAnswer::Yes},
        {"default Ja, keypad Enter", MessageAnswer::Yes, Qt::Key_Enter, MessageAnswer::Yes},
        {"no default named, Enter takes the first button", std::nullopt, Qt::Key_Return, MessageAnswer::Yes},
        {"no default named, keypad Enter", std::nullopt, Qt::Key_Enter, MessageAnswer::Yes},
        {"no default named, Esc", std::nullopt, Qt::Key_Escape, MessageAnswer::No},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString focused;
        EXPECT_EQ(answerWithKey(c.defaultAnswer, c.key, focused), c.expected) << "focus on " << focused.toStdString();
    }
}

// A server reply or a customer name with markup in it is shown as the text
// it is, not drawn as a heading in green.
TEST(MessageBoxKeys, TextFromOutsideIsShownAsPlainText)
{
    const QString reply = QStringLiteral("550 <h2><font color=green>Vom Admin geprüft</font></h2>");
    QString shown;
    auto format = Qt::RichText;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &look, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        look.stop();
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            format = label->textFormat();
            shown = label->text();
        }
        box->close();
    });
    look.start(20);
    QtPlatformServices().messageBox(reply, QStringLiteral("Systemmeldung..."), MessageIcon::Stop, MessageButtons::Ok);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, reply);
}

} // namespace
