#pragma once

#include "base/platform/PlatformServices.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QQueue>

#include <functional>
#include <memory>
#include <optional>

namespace OrvVelmora::Testing {

class SchedulerLateness;

/// Stands in for the person at the desk: answers dialogs from queues the test
/// fills, records every message box and dialog request, and keeps an in-memory
/// clipboard. Install it for the lifetime of a test with Scope.
class ScriptedPlatformServices final : public PlatformServices
{
public:
    ScriptedPlatformServices();
    ~ScriptedPlatformServices() override;

    struct ShownMessage
    {
        QString text;
        QString caption;
        MessageIcon icon;
        MessageButtons buttons;
        std::optional<MessageAnswer> defaultAnswer;
        QStringList actions; ///< the buttons' texts of a question whose answers are actions
    };
    struct FileDialogCall
    {
        bool save;
        FileDialogRequest request;
    };

    /// Answers for the next message boxes; an empty queue answers Ok / No.
    /// `PressEnter` stands for the person pressing Enter: the box's default
    /// answer, or its first button when it names none.
    QQueue<MessageAnswer> messageAnswers;
    /// Paths for the next file dialogs; nullopt means the user cancelled.
    QQueue<std::optional<QString>> fileAnswers;
    QQueue<std::optional<QColor>> colorAnswers;
    /// Work the next dialogs of our own (tick, click) and return their result;
    /// an empty queue closes a dialog unseen with Rejected.
    QQueue<std::function<int(QDialog &)>> dialogAnswers;
    QStringList dialogNames;
    /// Plays the browser: called with each address the component opens. Unset:
    /// the browser "fails to start" and openBrowser answers false.
    std::function<void(const QUrl &)> browser;
    QList<QUrl> openedUrls;

    QList<ShownMessage> messages;
    /// Questions asked without waiting (askWithoutWaiting), open until answered here.
    QList<std::function<void(MessageAnswer)>> openQuestions;
    /// Answers the oldest open question; false when none is open.
    bool answerOpenQuestion(MessageAnswer answer);
    QList<FileDialogCall> fileDialogs;
    QStringList colorDialogTitles;
    QList<int> pointerHistory;
    int processEventsCount = 0;
    /// Starts measuring the gaps between event runs (read by longestEventGaps()).
    void restartEventGapClock();
    /// The longest stretches without an event run since restartEventGapClock(), up to now.
    struct EventGaps
    {
        /// On the wall clock: what the window waited, including time the
        /// machine gave to other processes.
        qint64 wallMs = 0;
        /// The wall clock less that time (as late as a thread that naps 2 ms
        /// at a time woke meanwhile): what the code held the thread for,
        /// computing or waiting.
        qint64 heldMs = 0;
        /// This thread's CPU time: what the code computed.
        qint64 cpuMs = 0;
    };
    EventGaps longestEventGaps() const;
    bool clipboardWorks = true;
    /// Runs real Qt event processing too (for widget tests that need repaints/timers).
    bool runRealEvents = false;

    static constexpr MessageAnswer PressEnter = static_cast<MessageAnswer>(-1);

    using PlatformServices::messageBox;
    MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon, MessageButtons buttons,
                             std::optional<MessageAnswer> defaultAnswer) override;
    MessageAnswer askActions(const QString &text, const QString &caption, const QStringList &actions,
                             std::optional<MessageAnswer> defaultAnswer) override;

    void askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon, MessageButtons buttons,
                           std::optional<MessageAnswer> defaultAnswer,
                           std::function<void(MessageAnswer)> answered) override;
    std::optional<QString> showOpen(const FileDialogRequest &request) override;
    std::optional<QString> showSave(const FileDialogRequest &request) override;
    std::optional<QColor> chooseColor(const QString &title) override;
    int execDialog(QDialog &dialog) override;
    void setMousePointer(int pointerCode) override;
    int mousePointer() const override;
    void processEvents() override;
    bool clipboardAvailable() const override;
    void clipboardClear() override;
    void clipboardSet(const QMap<QString, QByteArray> &formats) override;
    bool clipboardHasFormat(const QString &mimeType) const override;
    QByteArray clipboardData(const QString &mimeType) const override;
    bool openBrowser(const QUrl &url) override;

    QMap<QString, QByteArray> clipboard;

    /// Installs the double for its lifetime.
    class Scope
    {
    public:
        explicit Scope(ScriptedPlatformServices &services) { PlatformServices::setInstance(&services); }
        ~Scope() { PlatformServices::setInstance(nullptr); }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
    };

private:
    std::unique_ptr<SchedulerLateness> m_lateness;
    QElapsedTimer m_sinceEvents;
    qint64 m_lateAtEvents = 0;
    qint64 m_cpuAtEvents = 0;
    EventGaps m_longest;

    std::optional<QString> nextFile(bool save, const FileDialogRequest &request);

    int m_pointer = DefaultPointer;
};

} // namespace OrvVelmora::Testing
