#pragma once

#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "editor/OrvRtfCtl32.h"

#include "ScriptedPlatformServices.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace OrvVelmora::Testing {

/// One shown editor with the scripted desk behind it.
class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor = std::make_unique<OrvRtfCtl32>();
        editor->resize(800, 500);
        editor->show();
        editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }

    RichTextBox &box() const { return *editor->mainRTF(); }
    ToolBarControl &toolBar() const { return *editor->mainToolBar(); }
    bool isChecked(const char *id) const { return toolBar().checked(QString::fromLatin1(id)).value_or(false); }

    /// A click on the tool's button on the toolbar, or on its menu item.
    /// (The variables button drops its menu down modally; it is not clicked here.)
    void click(const char *id)
    {
        QAction *action = toolBar().tool(QString::fromLatin1(id));
        ASSERT_NE(action, nullptr) << id;
        if (QWidget *button = toolBar().dockedBand()->widgetForAction(action))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            action->trigger();
    }

    /// Selects characters [from, to) of the document.
    void select(int from, int to)
    {
        QTextCursor cursor(box().document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        box().setTextCursor(cursor);
    }

    void type(const QString &text)
    {
        box().setFocus();
        QTest::keyClicks(&box(), text);
    }

    ScriptedPlatformServices services;
    ScriptedPlatformServices::Scope scope{services};
    std::unique_ptr<OrvRtfCtl32> editor;
};

} // namespace OrvVelmora::Testing
