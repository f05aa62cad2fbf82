#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPushButton;

namespace OrvVelmora {

class GridComponent;

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

public Q_SLOTS:
    /// Asks for a file (title "Anlagen") and appends it unless it is listed already.
    void AddAttachment();
    void RemoveAttachment();

private:
    void focusEditor();

    GridComponent *m_sevAnlagen;
    QPushButton *m_cmdAnlageAdd;
    QPushButton *m_cmdAnlageRemove;
    QPointer<QWidget> m_editor;
};

} // namespace OrvVelmora
