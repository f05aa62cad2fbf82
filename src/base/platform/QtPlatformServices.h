#pragma once

#include "base/platform/PlatformServices.h"

namespace OrvVelmora {

/// The real desktop: QMessageBox, QFileDialog, QColorDialog, the override
/// cursor and the system clipboard.
class QtPlatformServices final : public PlatformServices
{
public:
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
    void setMousePointer(int pointerCode) override;
    int mousePointer() const override;
    void processEvents() override;
    bool clipboardAvailable() const override;
    void clipboardClear() override;
    void clipboardSet(const QMap<QString, QByteArray> &formats) override;
    bool clipboardHasFormat(const QString &mimeType) const override;
    QByteArray clipboardData(const QString &mimeType) const override;
    bool openBrowser(const QUrl &url) override;

    /// "Desc|*.a;*.b|Other|*.c" -> Qt's "Desc (*.a *.b);;Other (*.c)" filter list.
    static QStringList qtFilters(const QString &classicFilter);

private:
    std::optional<QString> showFileDialog(const FileDialogRequest &request, bool save);

    int m_pointer = DefaultPointer;
};

} // namespace OrvVelmora
