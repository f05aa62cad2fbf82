#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace OrvVelmora {

/// Our labelled text field: a caption at the left and the entry to its right.
/// By default the entry is a one-line text box; a form may hand in another
/// entry widget (a drop-down list, for instance) and reach it with editor().
/// The caption is the entry's buddy, so an "&" in it gives an access key, and
/// the field passes the keyboard focus on to the entry.
///
/// Text(), MaxLength and PasswordChar work on the text box only; with another
/// entry they read as empty and ignore writes.
class LabelledField : public QWidget
{
    Q_OBJECT
public:
    explicit LabelledField(const QString &caption, QWidget *parent = nullptr);
    LabelledField(const QString &caption, QWidget *editor, QWidget *parent);
    ~LabelledField() override;

    [[nodiscard]] QString Caption() const;
    void setCaption(const QString &caption);
    /// Width of the caption column in pixels; fields of one form share it so
    /// that their entries line up.
    void setLabelWidth(int pixels);
    [[nodiscard]] int LabelWidth() const;

    [[nodiscard]] QString Text() const;
    void setText(const QString &text);
    /// The most characters the user may type; a text set by the program is kept whole.
    [[nodiscard]] int MaxLength() const;
    void setMaxLength(int length);
    /// Typing and pasting accept digits only (text set by the program is not checked).
    void setDigitsOnly(bool on);
    /// A character shown for every typed one (e.g. '*'); a null character shows the text.
    [[nodiscard]] QChar PasswordChar() const { return m_passwordChar; }
    void setPasswordChar(QChar character);

    [[nodiscard]] QWidget *editor() const { return m_editor; }
    /// The text box, or nullptr when the field holds another entry.
    [[nodiscard]] QLineEdit *lineEdit() const;

private:
    void build();
    void nameEditor();

    QLabel *m_label;
    QWidget *m_editor;
    QChar m_passwordChar;
};

} // namespace OrvVelmora
