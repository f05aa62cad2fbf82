#pragma once

#include <QByteArray>
#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QDialog;

namespace OrvVelmora {

enum class MessageIcon { None, Information, Question, Exclamation, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

/// Screen pointer codes as the forms use them.
enum PointerCode { DefaultPointer = 0, HourglassPointer = 11 };

/// What a file dialog is asked for. The filter is written as pairs
/// "Description|pattern|Description|pattern"; filterIndex counts from 1.
/// flags are the classic open/save option bits (0x2 asks before overwriting,
/// 0x1000 requires the file to exist); fileName presets the name field.
struct FileDialogRequest
{
    QString title;
    QString filter;
    int filterIndex = 1;
    quint32 flags = 0;
    QString fileName;
    /// Asks for a folder instead of a file.
    bool folder = false;
};

/// Clipboard formats by MIME type.
inline constexpr const char *kMimeRtf = "text/rtf";
inline constexpr const char *kMimePlain = "text/plain";
inline constexpr const char *kMimeHtml = "text/html";

/// Everything that waits on a person or touches the desktop goes through here,
/// so the forms never open a dialog themselves and a test can answer instead
/// of a person. One instance serves the whole process.
class PlatformServices
{
public:
    virtual ~PlatformServices();

    /// `defaultAnswer` is the button Enter presses; a question whose Ja does
    /// something that cannot be taken back names Nein here. Without it the
    /// toolkit's usual default (the first button) holds.
    virtual MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon,
                                     MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer) = 0;
    MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon, MessageButtons buttons)
    {
        return messageBox(text, caption, icon, buttons, std::nullopt);
    }
    /// A question whose answers are actions: the buttons carry `actions`
    /// ("Nur an die übrigen senden", "An alle senden", "Nicht senden") in the
    /// places of Ja, Nein and Abbrechen, and the answer says which was pressed
    /// (Yes for the first, No for the second, Cancel for the third or Esc).
    /// Without a desktop of its own it asks with Ja, Nein (and Abbrechen).
    virtual MessageAnswer askActions(const QString &text, const QString &caption, const QStringList &actions,
                                     std::optional<MessageAnswer> defaultAnswer);

    /// Asks without waiting for the answer: the question stays open while the
    /// caller goes on (a send run keeps sending), and `answered` gets the
    /// answer once the person gives one. Here the question is asked and
    /// answered at once; the desktop leaves it open.
    virtual void askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon,
                                   MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer,
                                   std::function<void(MessageAnswer)> answered);
    /// The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> showOpen(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> showSave(const FileDialogRequest &request) = 0;
    /// The chosen colour, or nothing when the user cancelled.
    virtual std::optional<QColor> chooseColor(const QString &title) = 0;
    /// Runs one of our own dialogs modally; its result code (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog &dialog);
    /// Opens the address in the user's web browser (a provider's sign-in page);
    /// false when no browser could be started.
    virtual bool openBrowser(const QUrl &url) = 0;

    virtual void setMousePointer(int pointerCode) = 0;
    virtual int mousePointer() const = 0;
    /// Lets pending window events (input, repaint, timers) run once.
    virtual void processEvents() = 0;

    /// False when the clipboard cannot be used at all (no display, held elsewhere).
    virtual bool clipboardAvailable() const = 0;
    virtual void clipboardClear() = 0;
    /// Replaces the whole clipboard by these formats (MIME type -> bytes).
    virtual void clipboardSet(const QMap<QString, QByteArray> &formats) = 0;
    virtual bool clipboardHasFormat(const QString &mimeType) const = 0;
    virtual QByteArray clipboardData(const QString &mimeType) const = 0;

    /// The process-wide instance; a QtPlatformServices unless a test installed another.
    static PlatformServices &instance();
    /// Installs a replacement (not owned); nullptr returns to the Qt implementation.
    static void setInstance(PlatformServices *services);
};

/// Shows the hourglass for its lifetime and restores the default pointer on every way out.
class WaitPointer
{
public:
    WaitPointer();
    ~WaitPointer();
    WaitPointer(const WaitPointer &) = delete;
    WaitPointer &operator=(const WaitPointer &) = delete;
};

} // namespace OrvVelmora
