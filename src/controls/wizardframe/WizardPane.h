#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QFrame;
class QLabel;

namespace OrvVelmora {

/// One page of a wizard, or the header pane of a dialog: a header band with a
/// title, a description and an optional icon, and below it the body that the
/// form fills (body()).
///
/// The three colour properties colour the header: BackColor its band,
/// BorderColor the rule that separates it from the body, AccentColor a narrow
/// bar at the band's left edge (a pane that wants no visible accent gives it a
/// colour close to the band's). The body keeps the window's background, so the
/// controls placed in it keep their own look. The header's text takes
/// ForeColor, which the wizard frame hands to each of its panes.
///
/// The description is kept exactly as set (a carriage return before each line
/// feed included) and shown with its line breaks.
class WizardPane : public QWidget
{
    Q_OBJECT
public:
    explicit WizardPane(QWidget *parent = nullptr);
    ~WizardPane() override;

    [[nodiscard]] QString Title() const { return m_title; }
    void setTitle(const QString &title);
    [[nodiscard]] QString Description() const { return m_description; }
    void setDescription(const QString &description);
    void setIcon(const QPixmap &icon);
    void setHeaderVisible(bool visible);
    [[nodiscard]] bool HeaderVisible() const;

    [[nodiscard]] QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    [[nodiscard]] QColor BorderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    [[nodiscard]] QColor AccentColor() const { return m_accentColor; }
    void setAccentColor(const QColor &color);
    [[nodiscard]] QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);

    /// The area below the header; give it a layout and the pane's controls.
    [[nodiscard]] QWidget *body() const { return m_body; }

private:
    void applyColors();

    QString m_title;
    QString m_description;
    QColor m_backColor;
    QColor m_borderColor;
    QColor m_accentColor;
    QColor m_foreColor;
    QFrame *m_header;
    QFrame *m_accent;
    QFrame *m_rule;
    QLabel *m_titleLabel;
    QLabel *m_descriptionLabel;
    QLabel *m_iconLabel;
    QWidget *m_body;
};

} // namespace OrvVelmora
