#pragma once

#include "merge/PersonalAttachment.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace OrvVelmora {

class MergeRowSource;

/// "48 von 51 Empfängern haben eine Datei".
[[nodiscard]] QString personalCountText(int found, int total);

/// Where each recipient's own file lies and how it is named: a folder, a
/// file name with placeholders from the variables list ("Rechnung
/// <#KD_NUMMER#>.pdf") and the ZIP mark. While the person types, it counts
/// how many recipients have their file.
class PersonalAttachmentDialog : public QDialog
{
    Q_OBJECT
public:
    using RowCount = std::function<int()>;

    PersonalAttachmentDialog(const PersonalAttachment &current, const MergeRowSource *rows, RowCount rowCount,
                             QWidget *parent = nullptr);

    /// What the person chose; not set after "Keine persönliche Anlage".
    [[nodiscard]] PersonalAttachment chosen() const;

    [[nodiscard]] QLineEdit *folder() const { return m_folder; }
    [[nodiscard]] QLineEdit *pattern() const { return m_pattern; }
    [[nodiscard]] QLabel *count() const { return m_count; }

private:
    void chooseFolder();
    void insertToken(const QString &token);
    void recount();
    QToolButton *tokenButton();

    const MergeRowSource *m_rows;
    RowCount m_rowCount;
    QLineEdit *m_folder;
    QLineEdit *m_pattern;
    QCheckBox *m_zip;
    QLabel *m_count;
    bool m_cleared = false;
};

} // namespace OrvVelmora
