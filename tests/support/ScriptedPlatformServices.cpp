#include "ScriptedPlatformServices.h"

#include <QCoreApplication>
#include <QDialog>

#include <atomic>
#include <chrono>
#include <thread>
#include <time.h>

namespace OrvVelmora::Testing {

MessageAnswer ScriptedPlatformServices::messageBox(const QString &text, const QString &caption, MessageIcon icon,
                                                   MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer)
{
    messages.append({text, caption, icon, buttons, defaultAnswer, {}});
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

MessageAnswer ScriptedPlatformServices::askActions(const QString &text, const QString &caption,
                                                   const QStringList &actions,
                                                   std::optional<MessageAnswer> defaultAnswer)
{
    const MessageAnswer answer =
        messageBox(text, caption, MessageIcon::Question,
                   actions.size() > 2 ? MessageButtons::YesNoCancel : MessageButtons::YesNo, defaultAnswer);
    messages.last().actions = actions;
    return answer;
}

void ScriptedPlatformServices::askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon,
                                                 MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer,
                                                 std::function<void(MessageAnswer)> answered)
{
    messages.append({text, caption, icon, buttons, defaultAnswer, {}});
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

namespace {

qint64 threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

/// Sums how much later than asked a thread napping 2 ms at a time wakes: the
/// time this machine gave to other work meanwhile.
class SchedulerLateness
{
public:
    ~SchedulerLateness()
    {
        m_stop = true;
        m_probe.join();
    }
    qint64 totalMs() const { return m_lateNs / 1000000; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_lateNs{0};
    std::thread m_probe{[this] {
        constexpr auto kNap = std::chrono::milliseconds(2);
        while (!m_stop) {
            const auto asleep = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(kNap);
            m_lateNs += std::chrono::nanoseconds(std::chrono::steady_clock::now() - asleep - kNap).count();
        }
    }};
};

ScriptedPlatformServices::ScriptedPlatformServices() = default;
ScriptedPlatformServices::~ScriptedPlatformServices() = default;

void ScriptedPlatformServices::restartEventGapClock()
{
    if (!m_lateness)
        m_lateness = std::make_unique<SchedulerLateness>();
    m_longest = {};
    m_sinceEvents.start();
    m_lateAtEvents = m_lateness->totalMs();
    m_cpuAtEvents = threadCpuMs();
}

ScriptedPlatformServices::EventGaps ScriptedPlatformServices::longestEventGaps() const
{
    if (!m_sinceEvents.isValid())
        return {};
    const qint64 wall = m_sinceEvents.elapsed();
    return {qMax(m_longest.wallMs, wall), qMax(m_longest.heldMs, wall - (m_lateness->totalMs() - m_lateAtEvents)),
            qMax(m_longest.cpuMs, threadCpuMs() - m_cpuAtEvents)};
}

void ScriptedPlatformServices::processEvents()
{
    ++processEventsCount;
    if (m_sinceEvents.isValid()) {
        m_longest = longestEventGaps();
        m_sinceEvents.restart();
        m_lateAtEvents = m_lateness->totalMs();
        m_cpuAtEvents = threadCpuMs();
    }
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
