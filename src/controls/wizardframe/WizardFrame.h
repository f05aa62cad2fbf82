#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace OrvVelmora {

class WizardPane;

/// Our wizard frame: a stack of panes (each with its own header) above a
/// button row holding the extra button, the progress display, a busy
/// indicator and back / next / finish / cancel.
///
/// The frame never changes panes by itself. Its buttons only raise events
/// (next and back carry the index of the pane shown); the form validates and
/// then moves the frame with NextPane() or PreviousPane().
///
/// Choices of ours:
/// - back is offered from the second pane on, next up to the last but one,
///   finish only on the last pane; cancel and the extra button on every pane.
///   With the navigation switch off every button is disabled; finish can also
///   be switched off on its own (setFinishAllowed), for a form that has
///   nothing left to finish.
/// - the busy switch shows an indeterminate activity bar in the button row.
/// - the progress display is a labelled bar in the button row; hidden until
///   switched visible.
/// - the two end-of-run operations: ShowRunCompleted() relabels cancel as
///   "Schließen", since after a run cancelling has nothing left to cancel, and
///   FocusCloseButton() puts the keyboard focus on that button so Enter ends
///   the wizard.
/// - no button is the dialog's default: Enter typed in a field of a pane must
///   never move the wizard on or start sending; Enter presses only the
///   button that has the focus.
///
/// Colours: BackColor fills the frame and its button row, ForeColor is the
/// text colour of the pane headers and of the button row (and fills the
/// default buttons), BorderColor draws the separating lines and button frames.
class WizardFrame : public QWidget
{
    Q_OBJECT
public:
    explicit WizardFrame(QWidget *parent = nullptr);
    ~WizardFrame() override;

    /// Appends a pane; its index is its position, from 0.
    WizardPane *addPane(const QString &title, const QString &description = QString());
    [[nodiscard]] WizardPane *pane(int index) const;
    [[nodiscard]] int paneCount() const { return int(m_panes.size()); }
    /// The index of the pane shown, -1 before Start().
    [[nodiscard]] int CurrentPane() const { return m_current; }

    /// Shows the first pane.
    void Start();
    void NextPane();
    void PreviousPane();
    void ShowRunCompleted();
    void FocusCloseButton();

    [[nodiscard]] QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    [[nodiscard]] QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);
    [[nodiscard]] QColor BorderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);

    [[nodiscard]] bool NavigationEnabled() const { return m_navigation; }
    void setNavigationEnabled(bool enabled);
    [[nodiscard]] bool FinishAllowed() const { return m_finishAllowed; }
    void setFinishAllowed(bool allowed);
    void Busy(bool busy);
    [[nodiscard]] bool IsBusy() const { return m_busy; }

    [[nodiscard]] qint32 ProgressMin() const;
    void setProgressMin(qint32 value);
    [[nodiscard]] qint32 ProgressMax() const;
    void setProgressMax(qint32 value);
    [[nodiscard]] qint32 ProgressValue() const;
    void setProgressValue(qint32 value);
    [[nodiscard]] bool ProgressVisible() const { return m_progressVisible; }
    void setProgressVisible(bool visible);
    [[nodiscard]] QString ProgressText() const;
    void setProgressText(const QString &text);

    [[nodiscard]] QString ExtraButtonCaption() const;
    void setExtraButtonCaption(const QString &caption);

    [[nodiscard]] QPushButton *backButton() const { return m_back; }
    [[nodiscard]] QPushButton *nextButton() const { return m_next; }
    [[nodiscard]] QPushButton *finishButton() const { return m_finish; }
    [[nodiscard]] QPushButton *cancelButton() const { return m_cancel; }
    [[nodiscard]] QPushButton *extraButton() const { return m_extra; }

Q_SIGNALS:
    void NextClick(qint16 currentPane);
    void BackClick(qint16 currentPane);
    void CancelClick();
    void FinishClick();
    void ExtraClick();

private:
    QWidget *buildButtonRow();
    void connectButtons();
    void showPane(int index);
    void updateButtons();
    void applyColors();

    QList<WizardPane *> m_panes;
    int m_current = -1;
    bool m_navigation = true;
    bool m_finishAllowed = true;
    bool m_busy = false;
    bool m_progressVisible = false;
    QColor m_backColor;
    QColor m_foreColor;
    QColor m_borderColor;
    QStackedWidget *m_stack;
    QWidget *m_buttonRow = nullptr;
    QPushButton *m_extra = nullptr;
    QLabel *m_progressLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QProgressBar *m_busyBar = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_finish = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace OrvVelmora
