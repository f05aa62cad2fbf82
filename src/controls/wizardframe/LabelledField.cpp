#include "controls/wizardframe/LabelledField.h"

#include "base/platform/NamedComboAccessible.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QValidator>

#include <algorithm>
#include <limits>

namespace OrvVelmora {

namespace {

// QLineEdit takes its mask character from the style; this style answers with
// the field's own character and leaves everything else to the one below it.
class PasswordCharStyle final : public QProxyStyle
{
public:
    explicit PasswordCharStyle(QChar character)
        : m_character(character)
    {
    }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return m_character.unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_character;
};

// QLineEdit's own maxLength also cuts text set by the program; a field's
// MaxLength limits typing only, so a stored value longer than it shows in
// full. setText() bypasses a validator, typing and pasting go through it. A
// longer text set by the program may be shortened but never lengthened, and
// once it is within the limit the limit holds again.
class TypingLimit final : public QValidator
{
public:
    TypingLimit(int length, QObject *parent)
        : QValidator(parent)
        , m_length(length)
        , m_allowed(length)
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.size() > m_allowed)
            return Invalid;
        if (m_digitsOnly && std::any_of(input.cbegin(), input.cend(), [](QChar c) { return !c.isDigit(); }))
            return Invalid;
        m_allowed = std::max<qsizetype>(m_length, input.size());
        return Acceptable;
    }

    void allowProgramText(const QString &text) { m_allowed = std::max<qsizetype>(m_length, text.size()); }
    int length() const { return m_length; }
    void setDigitsOnly(bool on) { m_digitsOnly = on; }

private:
    int m_length;
    mutable qsizetype m_allowed;
    bool m_digitsOnly = false;
};

} // namespace

LabelledField::LabelledField(const QString &caption, QWidget *parent)
    : LabelledField(caption, new QLineEdit, parent)
{
}

LabelledField::LabelledField(const QString &caption, QWidget *editor, QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(caption, this))
    , m_editor(editor)
{
    build();
}

LabelledField::~LabelledField() = default;

// What a screen reader says for the entry: the caption as read, without the
// access key's ampersand. Qt names a line edit after its buddy label, but a
// combo box only after its current entry.
void LabelledField::nameEditor()
{
    QString name = m_label->text();
    name.replace(QLatin1String("&&"), QString(QChar::Null)).remove(QLatin1Char('&')).replace(QChar::Null, u'&');
    // Installed before the name is set: naming a widget makes Qt read it,
    // and Qt keeps its first reading.
    NamedComboAccessible::install();
    m_editor->setAccessibleName(name);
}

void LabelledField::build()
{
    m_editor->setParent(this);
    m_label->setBuddy(m_editor);
    nameEditor();
    m_label->setMinimumWidth(m_label->sizeHint().width());
    setFocusProxy(m_editor);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(m_label);
    layout->addWidget(m_editor, 1);
}

QString LabelledField::Caption() const
{
    return m_label->text();
}
void LabelledField::setCaption(const QString &caption)
{
    m_label->setText(caption);
    nameEditor();
}

void LabelledField::setLabelWidth(int pixels)
{
    m_label->setMinimumWidth(0);
    m_label->setFixedWidth(pixels);
}

int LabelledField::LabelWidth() const
{
    return m_label->width();
}

QLineEdit *LabelledField::lineEdit() const
{
    return qobject_cast<QLineEdit *>(m_editor);
}

QString LabelledField::Text() const
{
    const QLineEdit *edit = lineEdit();
    return edit ? edit->text() : QString();
}

void LabelledField::setText(const QString &text)
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return;
    if (auto *limit = const_cast<TypingLimit *>(dynamic_cast<const TypingLimit *>(edit->validator())))
        limit->allowProgramText(text);
    edit->setText(text);
}

int LabelledField::MaxLength() const
{
    const QLineEdit *edit = lineEdit();
    if (!edit)
        return 0;
    const auto *limit = dynamic_cast<const TypingLimit *>(edit->validator());
    return limit ? limit->length() : edit->maxLength();
}

void LabelledField::setMaxLength(int length)
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return;
    delete edit->validator();
    edit->setValidator(length > 0 ? new TypingLimit(length, edit) : nullptr);
}

void LabelledField::setDigitsOnly(bool on)
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return;
    auto *limit = dynamic_cast<TypingLimit *>(const_cast<QValidator *>(edit->validator()));
    if (!limit) {
        limit = new TypingLimit(std::numeric_limits<int>::max(), edit);
        edit->setValidator(limit);
    }
    limit->setDigitsOnly(on);
}

void LabelledField::setPasswordChar(QChar character)
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return;
    m_passwordChar = character;
    edit->setEchoMode(character.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    if (!character.isNull()) {
        auto *style = new PasswordCharStyle(character);
        style->setParent(edit);
        edit->setStyle(style);
    }
}

} // namespace OrvVelmora
