#pragma once

#include "merge/PersonalAttachment.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace OrvVelmora {

class GridComponent;
class MergeRowSource;

/// One attached file and whether it goes packed as ZIP.
struct AttachmentEntry
{
    QString path;
    bool zip = false;
};

/// The attachment list of the message pane: the grid sevAnlagen (check boxes,
/// no column headers) with the buttons cmdAnlageAdd and cmdAnlageRemove. The
/// check mark of a row means "send this file packed as ZIP"; only the user sets it.
///
/// The form's initialisation gives the grid its one column (key "FileName",
/// empty caption, stretched: sevAnlagen()->addColumn("FileName").stretch())
/// and disables cmdAnlageRemove. After adding or removing, the keyboard focus
/// goes to the widget set with setEditor() (the message editor).
///
/// Besides the files every recipient gets, "Persönliche Anlage…" sets a file
/// of each recipient's own (PersonalAttachment); the pane then names it and
/// counts, whenever it is shown, how many recipients have their file.
class AttachmentPane : public QWidget
{
    Q_OBJECT
public:
    explicit AttachmentPane(QWidget *parent = nullptr);
    ~AttachmentPane() override;

    [[nodiscard]] GridComponent *sevAnlagen() const { return m_sevAnlagen; }
    [[nodiscard]] QPushButton *cmdAnlageAdd() const { return m_cmdAnlageAdd; }
    [[nodiscard]] QPushButton *cmdAnlageRemove() const { return m_cmdAnlageRemove; }
    void setEditor(QWidget *editor);

    [[nodiscard]] int AttachmentCount() const;
    /// Rows 1..count in order: path from the FileName cell, zip from the check mark.
    [[nodiscard]] QList<AttachmentEntry> Attachments() const;
    /// Replaces the list, marks included (a mailing taken up again).
    void setAttachments(const QList<AttachmentEntry> &entries);

    [[nodiscard]] QPushButton *cmdPersoenlicheAnlage() const { return m_cmdPersoenlicheAnlage; }
    [[nodiscard]] QLabel *lblPersoenlicheAnlage() const { return m_lblPersoenlicheAnlage; }
    [[nodiscard]] PersonalAttachment personalAttachment() const { return m_personal; }
    void setPersonalAttachment(const PersonalAttachment &attachment);
    /// The recipient list the count reads (not owned) and its row count.
    void setRecipients(const MergeRowSource *rows, std::function<int()> rowCount);
    /// Names the personal attachment and counts the recipients with a file anew.
    void showPersonalAttachment();

public Q_SLOTS:
    /// Asks for a file (title "Anlagen") and appends it unless it is listed already.
    void AddAttachment();
    void RemoveAttachment();
    /// Opens the personal attachment's dialog.
    void ChoosePersonalAttachment();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void focusEditor();

    GridComponent *m_sevAnlagen;
    QPushButton *m_cmdAnlageAdd;
    QPushButton *m_cmdAnlageRemove;
    QPointer<QWidget> m_editor;
    QPushButton *m_cmdPersoenlicheAnlage;
    QLabel *m_lblPersoenlicheAnlage;
    PersonalAttachment m_personal;
    const MergeRowSource *m_rows = nullptr;
    std::function<int()> m_rowCount;
};

} // namespace OrvVelmora
