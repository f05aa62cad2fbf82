#pragma once

#include <QObject>
#include <QPointer>

class QComboBox;
class QToolBar;
class QWidget;

namespace OrvVelmora {

/// The keyboard's way through a toolbar, as desktop toolbars offer it: the
/// band is one Tab stop (the tool last used), the arrow keys move between
/// its tools, Home and End go to the first and last, Space and Enter press a
/// button, Down opens a button's menu, and Esc hands the focus back to
/// whoever owns the band. In a combo the arrow keys edit its text and leave
/// it only at the text's edge (or when all of it is selected, as on arrival).
class ToolBarNavigation : public QObject
{
    Q_OBJECT
public:
    explicit ToolBarNavigation(QToolBar &bar);

    /// Takes on the tools the band holds now; call after building it.
    void adopt();
    /// Puts the focus on the band's Tab stop.
    void focusCurrent();
    /// The widget Tab goes to from the band.
    void setNext(QWidget *next);

Q_SIGNALS:
    void escapePressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    [[nodiscard]] QList<QWidget *> tools() const;
    void keepTabOrder();
    void makeCurrent(QWidget *tool);
    void moveFrom(QWidget *tool, int step);
    void moveTo(QWidget *tool);
    bool pressKey(QWidget *tool, int key, Qt::KeyboardModifiers modifiers);
    [[nodiscard]] static bool leavesCombo(const QComboBox &combo, int step);

    QToolBar &m_bar;
    QPointer<QWidget> m_current;
    QPointer<QWidget> m_next;
};

} // namespace OrvVelmora
