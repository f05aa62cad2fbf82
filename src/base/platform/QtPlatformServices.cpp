#include "base/platform/QtPlatformServices.h"

#include "base/platform/PlatformLog.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>

namespace OrvVelmora {

namespace {

constexpr quint32 kOverwritePrompt = 0x2;
constexpr quint32 kFileMustExist = 0x1000;
constexpr quint32 kNoDereferenceLinks = 0x100000;

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton qtButton(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Yes: return QMessageBox::Yes;
    case MessageAnswer::No: return QMessageBox::No;
    case MessageAnswer::Cancel: return QMessageBox::Cancel;
    case MessageAnswer::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

void setDefaultAnswer(QMessageBox &box, std::optional<MessageAnswer> defaultAnswer)
{
    if (!defaultAnswer)
        return;
    QAbstractButton *button = box.button(qtButton(*defaultAnswer));
    if (!button)
        qCWarning(lcPlatform) << "message box has no button for its default answer";
    // The default button also takes the focus, so Enter and Space both give the safe answer.
    box.setDefaultButton(qobject_cast<QPushButton *>(button));
}

// Messages carry server replies, file and customer names: a box would
// otherwise guess that "<h2>…" is markup and draw it as such.
void setPlainText(QMessageBox &box, const QString &text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
}

void prepareBox(QMessageBox &box, const QString &text, MessageButtons buttons,
                std::optional<MessageAnswer> defaultAnswer)
{
    setPlainText(box, text);
    // A classic box closed with its close button counts as the safe answer.
    if (buttons == MessageButtons::YesNo)
        box.setEscapeButton(QMessageBox::No);
    setDefaultAnswer(box, defaultAnswer);
}

} // namespace

MessageAnswer QtPlatformServices::messageBox(const QString &text, const QString &caption, MessageIcon icon,
                                             MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer)
{
    QMessageBox box(qtIcon(icon), caption, QString(), qtButtons(buttons), QApplication::activeWindow());
    prepareBox(box, text, buttons, defaultAnswer);
    return answerOf(box.exec());
}

MessageAnswer QtPlatformServices::askActions(const QString &text, const QString &caption, const QStringList &actions,
                                             std::optional<MessageAnswer> defaultAnswer)
{
    const QMessageBox::StandardButton places[] = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    QMessageBox box(QMessageBox::Question, caption, QString(), QMessageBox::NoButton, QApplication::activeWindow());
    setPlainText(box, text);
    for (qsizetype i = 0; i < actions.size() && i < 3; ++i)
        box.addButton(places[i])->setText(actions[i]);
    // Esc never starts an action: it is the last answer, the one that does least.
    box.setEscapeButton(box.button(places[std::min<qsizetype>(actions.size(), 3) - 1]));
    setDefaultAnswer(box, defaultAnswer);
    return answerOf(box.exec());
}

// The box blocks its window only: the event loop that opened it (a send run
// letting events run) carries on underneath.
void QtPlatformServices::askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon,
                                           MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer,
                                           std::function<void(MessageAnswer)> answered)
{
    auto *box = new QMessageBox(qtIcon(icon), caption, QString(), qtButtons(buttons), QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    prepareBox(*box, text, buttons, defaultAnswer);
    QObject::connect(box, &QMessageBox::finished, box,
                     [answered = std::move(answered)](int button) { answered(answerOf(button)); });
    box->open();
}

QStringList QtPlatformServices::qtFilters(const QString &classicFilter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file in the classic dialogs; on Linux it would skip names without a dot.
        for (QString &pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        result << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

std::optional<QString> QtPlatformServices::showFileDialog(const FileDialogRequest &request, bool save)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && (request.flags & kFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QFileDialog::Options options;
    if (request.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        options |= QFileDialog::ShowDirsOnly;
    }
    if (save && !(request.flags & kOverwritePrompt))
        options |= QFileDialog::DontConfirmOverwrite;
    if (request.flags & kNoDereferenceLinks)
        options |= QFileDialog::DontResolveSymlinks;
    dialog.setOptions(options);
    const QStringList filters = qtFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPlatformServices::showOpen(const FileDialogRequest &request)
{
    return showFileDialog(request, false);
}

std::optional<QString> QtPlatformServices::showSave(const FileDialogRequest &request)
{
    return showFileDialog(request, true);
}

std::optional<QColor> QtPlatformServices::chooseColor(const QString &title)
{
    const QColor color = QColorDialog::getColor(Qt::black, QApplication::activeWindow(), title);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

void QtPlatformServices::setMousePointer(int pointerCode)
{
    if (pointerCode == m_pointer)
        return;
    if (m_pointer != DefaultPointer)
        QApplication::restoreOverrideCursor();
    if (pointerCode == HourglassPointer)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pointer = pointerCode == HourglassPointer ? HourglassPointer : DefaultPointer;
}

int QtPlatformServices::mousePointer() const
{
    return m_pointer;
}

void QtPlatformServices::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtPlatformServices::clipboardAvailable() const
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && QGuiApplication::clipboard();
}

void QtPlatformServices::clipboardClear()
{
    if (clipboardAvailable())
        QGuiApplication::clipboard()->clear();
}

void QtPlatformServices::clipboardSet(const QMap<QString, QByteArray> &formats)
{
    if (!clipboardAvailable()) {
        qCWarning(lcPlatform) << "no clipboard; nothing was put on it";
        return;
    }
    auto *data = new QMimeData;
    for (auto it = formats.cbegin(); it != formats.cend(); ++it)
        data->setData(it.key(), it.value());
    QGuiApplication::clipboard()->setMimeData(data);
}

bool QtPlatformServices::clipboardHasFormat(const QString &mimeType) const
{
    if (!clipboardAvailable())
        return false;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(mimeType);
}

QByteArray QtPlatformServices::clipboardData(const QString &mimeType) const
{
    if (!clipboardAvailable())
        return {};
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(mimeType) : QByteArray();
}

bool QtPlatformServices::openBrowser(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace OrvVelmora
