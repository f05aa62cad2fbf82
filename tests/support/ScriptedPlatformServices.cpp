#include "ScriptedPlatformServices.h"

#include <QCoreApplication>
#include <QDialog>

namespace OrvVelmora::Testing {

MessageAnswer ScriptedPlatformServices::messageBox(const QString &text, const QString &caption, MessageIcon icon,
                                                   MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer)
{
    messages.append({text, caption, icon, buttons, defaultAnswer});
    if (!messageAnswers.isEmpty() && messageAnswers.head() == PressEnter) {
        messageAnswers.dequeue();
        const bool yesFirst = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
        return defaultAnswer.value_or(yesFirst ? MessageAnswer::Yes : MessageAnswer::Ok);
    }
    if (!messageAnswers.isEmpty())
        return messageAnswers.dequeue();
    return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel ? MessageAnswer::No
                                                                                      : MessageAnswer::Ok;
}

void ScriptedPlatformServices::askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon,
                                                 MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer,
                                                 std::function<void(MessageAnswer)> answered)
{
    messages.append({text, caption, icon, buttons, defaultAnswer});
    openQuestions.append(std::move(answered));
}

bool ScriptedPlatformServices::answerOpenQuestion(MessageAnswer answer)
{
    if (openQuestions.isEmpty())
        return false;
    openQuestions.takeFirst()(answer);
    return true;
}

std::optional<QString> ScriptedPlatformServices::nextFile(bool save, const FileDialogRequest &request)
{
    fileDialogs.append({save, request});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

std::optional<QString> ScriptedPlatformServices::showOpen(const FileDialogRequest &request)
{
    return nextFile(false, request);
}

std::optional<QString> ScriptedPlatformServices::showSave(const FileDialogRequest &request)
{
    return nextFile(true, request);
}

std::optional<QColor> ScriptedPlatformServices::chooseColor(const QString &title)
{
    colorDialogTitles.append(title);
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.dequeue();
}

int ScriptedPlatformServices::execDialog(QDialog &dialog)
{
    dialogNames.append(dialog.objectName());
    return dialogAnswers.isEmpty() ? int(QDialog::Rejected) : dialogAnswers.dequeue()(dialog);
}

void ScriptedPlatformServices::setMousePointer(int pointerCode)
{
    m_pointer = pointerCode;
    pointerHistory.append(pointerCode);
}

int ScriptedPlatformServices::mousePointer() const
{
    return m_pointer;
}

void ScriptedPlatformServices::restartEventGapClock()
{
    m_longestGap = 0;
    m_sinceEvents.start();
}

qint64 ScriptedPlatformServices::longestEventGapMs() const
{
    return m_sinceEvents.isValid() ? qMax(m_longestGap, m_sinceEvents.elapsed()) : 0;
}

void ScriptedPlatformServices::processEvents()
{
    ++processEventsCount;
    if (m_sinceEvents.isValid())
        m_longestGap = qMax(m_longestGap, m_sinceEvents.restart());
    if (runRealEvents)
        QCoreApplication::processEvents();
}

bool ScriptedPlatformServices::clipboardAvailable() const
{
    return clipboardWorks;
}

void ScriptedPlatformServices::clipboardClear()
{
    if (clipboardWorks)
        clipboard.clear();
}

void ScriptedPlatformServices::clipboardSet(const QMap<QString, QByteArray> &formats)
{
    if (clipboardWorks)
        clipboard = formats;
}

bool ScriptedPlatformServices::clipboardHasFormat(const QString &mimeType) const
{
    return clipboardWorks && clipboard.contains(mimeType);
}

QByteArray ScriptedPlatformServices::clipboardData(const QString &mimeType) const
{
    return clipboardWorks ? clipboard.value(mimeType) : QByteArray();
}

bool ScriptedPlatformServices::openBrowser(const QUrl &url)
{
    openedUrls.append(url);
    if (!browser)
        return false;
    browser(url);
    return true;
}

} // namespace OrvVelmora::Testing
