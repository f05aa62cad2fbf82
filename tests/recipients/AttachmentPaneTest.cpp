#include "ScriptedPlatformServices.h"

#include "controls/grid/GridComponent.h"
#include "merge/MergeText.h"
#include "recipients/AttachmentPane.h"
#include "recipients/PersonalAttachmentDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

class AttachmentPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&m_window);
        layout->addWidget(m_editor);
        layout->addWidget(m_elsewhere);
        layout->addWidget(m_pane);
        // What the form's initialisation does for this pane.
        m_pane->sevAnlagen()->addColumn(QStringLiteral("FileName")).stretch();
        m_pane->cmdAnlageRemove()->setEnabled(false);
        m_pane->setEditor(m_editor);
        m_window.show();
        QApplication::setActiveWindow(&m_window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        m_elsewhere->setFocus();
    }

    void add(const std::optional<QString> &answer)
    {
        m_platform.fileAnswers.enqueue(answer);
        m_pane->AddAttachment();
    }

    QStringList paths() const
    {
        QStringList result;
        for (const AttachmentEntry &entry : m_pane->Attachments())
            result.append(entry.path);
        return result;
    }

    void selectRows(const QList<int> &rows)
    {
        QItemSelectionModel *selection = m_pane->sevAnlagen()->view()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(m_pane->sevAnlagen()->view()->model()->index(row - 1, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    ScriptedPlatformServices m_platform;
    ScriptedPlatformServices::Scope m_scope{m_platform};
    QWidget m_window;
    QLineEdit *m_editor = new QLineEdit(&m_window);
    QLineEdit *m_elsewhere = new QLineEdit(&m_window);
    AttachmentPane *m_pane = new AttachmentPane(&m_window);
};

TEST_F(AttachmentPaneTest, AddAppendsTheChosenFileOnceAndRefusesItAgain)
{
    struct Step
    {
        const char *name;
        std::optional<QString> answer;
        QStringList expected;
        int messages;
    };
    const QList<Step> steps{
        {"cancelled", std::nullopt, {}, 0},
        {"first file", "/daten/Preisliste 2026.pdf", {"/daten/Preisliste 2026.pdf"}, 0},
        {"name differing in case only",
         "/daten/preisliste 2026.pdf",
         {"/daten/Preisliste 2026.pdf", "/daten/preisliste 2026.pdf"},
         0},
        {"same file again",
         "/daten/Preisliste 2026.pdf",
         {"/daten/Preisliste 2026.pdf", "/daten/preisliste 2026.pdf"},
         1},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        m_elsewhere->setFocus();
        add(step.answer);
        EXPECT_EQ(paths(), step.expected);
        EXPECT_EQ(m_platform.messages.size(), step.messages);
        EXPECT_EQ(m_pane->cmdAnlageRemove()->isEnabled(), !step.expected.isEmpty());
        EXPECT_EQ(m_pane->sevAnlagen()->currentRow(), int(step.expected.size()));
        EXPECT_EQ(m_editor->hasFocus(), step.answer.has_value());
    }
    EXPECT_FALSE(m_pane->Attachments().first().zip);
    ASSERT_EQ(m_platform.fileDialogs.size(), 4);
    ASSERT_EQ(m_platform.messages.size(), 1);
    const FileDialogRequest &request = m_platform.fileDialogs.first().request;
    EXPECT_FALSE(m_platform.fileDialogs.first().save);
    EXPECT_EQ(request.title, QStringLiteral("Anlagen"));
    EXPECT_EQ(request.flags, 0x385804u);
    EXPECT_EQ(request.filter, QStringLiteral("Alle Dateien (*.*)|*.*"));
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(m_platform.messages.first().text, QStringLiteral("Diese Anlage ist bereits vorhanden."));
    EXPECT_EQ(m_platform.messages.first().caption, QStringLiteral("Systemmeldung..."));
    EXPECT_EQ(m_platform.messages.first().icon, MessageIcon::Information);
    EXPECT_EQ(m_platform.messages.first().buttons, MessageButtons::Ok);
}

TEST_F(AttachmentPaneTest, RemoveFollowsTheRowCount)
{
    for (const char *path : {"/a", "/b", "/c"})
        add(QString::fromLatin1(path));
    struct Step
    {
        const char *name;
        QList<int> selection;
        QStringList expected;
        bool removeEnabled;
    };
    const QList<Step> steps{
        {"nothing selected", {}, {"/a", "/b", "/c"}, true},
        {"first and last", {1, 3}, {"/b"}, true},
        {"the last remaining row", {1}, {}, false},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        selectRows(step.selection);
        m_elsewhere->setFocus();
        m_pane->RemoveAttachment();
        EXPECT_EQ(paths(), step.expected);
        EXPECT_EQ(m_pane->cmdAnlageRemove()->isEnabled(), step.removeEnabled);
        EXPECT_EQ(m_pane->sevAnlagen()->currentRow(), int(step.expected.size()));
        EXPECT_TRUE(m_editor->hasFocus());
    }
}

TEST_F(AttachmentPaneTest, CheckMarkSetByTheUserMeansZip)
{
    add(QStringLiteral("/x.doc"));
    add(QStringLiteral("/y.doc"));
    QAbstractItemModel *model = m_pane->sevAnlagen()->view()->model();
    ASSERT_TRUE(model->flags(model->index(1, 0)) & Qt::ItemIsUserCheckable);
    ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    const QList<AttachmentEntry> entries = m_pane->Attachments();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_FALSE(entries.at(0).zip);
    EXPECT_TRUE(entries.at(1).zip);
    EXPECT_FALSE(m_pane->sevAnlagen()->view()->horizontalHeader()->isVisible());
}

// Customers numbered 1..3 by KundenNr.
class ThreeCustomers final : public MergeRowSource
{
public:
    std::optional<QString> cell(int row, const QString &key) const override
    {
        if (row < 1 || row > 3 || key != QLatin1String("KundenNr"))
            return std::nullopt;
        return QStringLiteral("K%1").arg(row);
    }
};

// The person picks the folder, builds the name from the variables list and
// sees, while typing, how many recipients have their file; the pane then
// names the choice with its count, and "Keine persönliche Anlage" takes it away.
TEST_F(AttachmentPaneTest, PersonalAttachmentIsChosenWithALiveCountOfRecipientsWithAFile)
{
    QTemporaryDir folder;
    for (const char *name : {"Rechnung K1.pdf", "Rechnung K3.pdf"})
        QFile(QDir(folder.path()).filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly);
    const ThreeCustomers customers;
    int rows = 3;
    m_pane->setRecipients(&customers, [&rows] { return rows; });
    m_platform.fileAnswers.enqueue(folder.path());
    QStringList counts;
    m_platform.dialogAnswers.enqueue([&](QDialog &d) {
        auto &dialog = dynamic_cast<PersonalAttachmentDialog &>(d);
        d.findChild<QPushButton *>(QStringLiteral("cmdOrdner"))->click();
        dialog.pattern()->setText(QStringLiteral("Rechnung .pdf"));
        counts << dialog.count()->text();
        dialog.pattern()->setCursorPosition(9);
        QToolButton *variables = d.findChild<QToolButton *>(QStringLiteral("cmdVariablen"));
        variables->menu()->actions().at(1)->trigger(); // Kunden Nummer
        counts << dialog.count()->text();
        return int(QDialog::Accepted);
    });
    m_pane->cmdPersoenlicheAnlage()->click();

    EXPECT_EQ(counts,
              (QStringList{QStringLiteral("0 von 3 Empfängern haben eine Datei"),
                           QStringLiteral("2 von 3 Empfängern haben eine Datei")}));
    EXPECT_EQ(m_pane->personalAttachment(),
              (PersonalAttachment{folder.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.pdf"), false}));
    EXPECT_TRUE(m_pane->lblPersoenlicheAnlage()->isVisible());
    EXPECT_TRUE(
        m_pane->lblPersoenlicheAnlage()->text().endsWith(QStringLiteral("2 von 3 Empfängern haben eine Datei.")));
    rows = 1;
    m_pane->showPersonalAttachment();
    EXPECT_TRUE(m_pane->lblPersoenlicheAnlage()->text().endsWith(QStringLiteral("1 von 1 Empfänger hat eine Datei.")));

    m_platform.dialogAnswers.enqueue([](QDialog &d) {
        for (QPushButton *button : d.findChildren<QPushButton *>())
            if (button->text().contains(QStringLiteral("Keine")))
                button->click();
        return d.result();
    });
    m_pane->cmdPersoenlicheAnlage()->click();
    EXPECT_FALSE(m_pane->personalAttachment().isSet());
    EXPECT_FALSE(m_pane->lblPersoenlicheAnlage()->isVisible());
}

} // namespace
