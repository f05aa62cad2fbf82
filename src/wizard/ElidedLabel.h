#pragma once

#include <QLabel>

namespace OrvVelmora {

/// A one-line value label that never widens its pane: a text longer than
/// the room it gets is shown cut short with "…", and then the whole text is
/// its tooltip. text() is always the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    /// What the label shows at its present width.
    [[nodiscard]] QString shownText() const;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace OrvVelmora
