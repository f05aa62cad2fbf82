#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace OrvVelmora {

/// How a combo box with a name of its own meets a screen reader: by that
/// name ("Schriftgröße", "Dringlichkeit"), with its current entry as the
/// value. On Linux Qt names every combo box after its current entry and
/// leaves the label to a relation, so readers announce "10" or "Normal"
/// and not what the box is for. Boxes without a name keep Qt's own reading.
class NamedComboAccessible : public QAccessibleWidget
{
public:
    explicit NamedComboAccessible(QComboBox *box);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    /// Makes every named combo box of the process speak so; call it once
    /// before the first box is shown (later calls do nothing).
    static void install();

private:
    [[nodiscard]] QComboBox *box() const;
};

} // namespace OrvVelmora
