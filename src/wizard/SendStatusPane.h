#pragma once

#include "sendrun/SendRunView.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace OrvVelmora {

class TabStrip;

/// The send pane's content: the tab strip sevRegisterStatus ("Sendestatus...")
/// with the run's four counters (sent, not sent, uncertain, open), the
/// server's last message and the run's progress bar, and the tab strip
/// sevRegisterVorgang ("Aktueller Vorgang...") with the data of the
/// recipient being sent to. The caption labels are lblBezeichnung(0..15);
/// the value labels are reached by their names or through label(SendLabel).
class SendStatusPane : public QWidget
{
    Q_OBJECT
public:
    explicit SendStatusPane(QWidget *parent = nullptr);
    ~SendStatusPane() override;

    [[nodiscard]] TabStrip *sevRegisterStatus() const { return m_sevRegisterStatus; }
    [[nodiscard]] TabStrip *sevRegisterVorgang() const { return m_sevRegisterVorgang; }
    /// The caption label with this index; nullptr outside 0..15.
    [[nodiscard]] QLabel *lblBezeichnung(int index) const;
    [[nodiscard]] int lblBezeichnungCount() const { return int(m_captions.size()); }
    [[nodiscard]] QLabel *label(SendLabel which) const;
    /// The value labels in the order the form colours them.
    [[nodiscard]] QList<QLabel *> valueLabels() const;
    [[nodiscard]] QProgressBar *mainProgressBar() const { return m_mainProgressBar; }
    /// "Versand anhalten": shown only while a send run is under way.
    [[nodiscard]] QPushButton *cmdAnhalten() const { return m_cmdAnhalten; }

private:
    QWidget *buildStatusPage();
    QWidget *buildRecipientPage();
    QLabel *caption(int index, const QString &text);
    QLabel *value(SendLabel which, const char *name, const QString &text = QString());
    QLabel *statusLabel();

    TabStrip *m_sevRegisterStatus;
    TabStrip *m_sevRegisterVorgang;
    QList<QLabel *> m_captions;
    QMap<SendLabel, QLabel *> m_values;
    QProgressBar *m_mainProgressBar;
    QPushButton *m_cmdAnhalten;
};

} // namespace OrvVelmora
