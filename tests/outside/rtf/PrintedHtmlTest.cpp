#include "RtfTestSupport.h"

#include "outside/rtf/RtfDocumentBuilder.h"
#include "outside/rtf/RtfToHtml.h"
#include "outside/rtf/RtfWriter.h"
#include "outside/rtf/MarkedPlainText.h"

#include <QDir>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

// The HTML body printed by a real browser, read back as text with the page
// layout kept, so that every blank line the browser shows is a blank line here.
class PrintedPage
{
public:
    static QString missingTools()
    {
        for (const char *tool : {"chromium", "pdftotext"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        return {};
    }

    static QString print(const QString &html, QString &error)
    {
        QTemporaryDir dir;
        QFile page(dir.filePath(QStringLiteral("message.html")));
        if (!page.open(QIODevice::WriteOnly) || page.write(html.toUtf8()) < 0)
            return error = QStringLiteral("cannot write the page"), QString();
        page.close();
        const QString pdf = dir.filePath(QStringLiteral("message.pdf"));
        if (!run(QStringLiteral("chromium"),
                 {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                  QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
                  QStringLiteral("--disable-component-update"), QStringLiteral("--no-pdf-header-footer"),
                  QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
                  QStringLiteral("--print-to-pdf=") + pdf, QUrl::fromLocalFile(page.fileName()).toString()},
                 error))
            return {};
        return pdfText(pdf, error);
    }

    /// The same for the editor's own layout of the document, as Qt prints it.
    static QString printEditor(const QTextDocument &document, QString &error)
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("editor.pdf"));
        {
            QPdfWriter writer(pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            std::unique_ptr<QTextDocument> copy(document.clone());
            copy->print(&writer);
        }
        return pdfText(pdf, error);
    }

private:
    static QString pdfText(const QString &pdf, QString &error)
    {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!text.waitForFinished(60000) || text.exitCode() != 0)
            return error = QStringLiteral("pdftotext failed"), QString();
        return QString::fromUtf8(text.readAllStandardOutput());
    }

    static bool run(const QString &program, const QStringList &arguments, QString &error)
    {
        QProcess process;
        process.start(program, arguments);
        if (process.waitForFinished(120000) && process.exitCode() == 0)
            return true;
        error = program + QStringLiteral(": ") + QString::fromUtf8(process.readAllStandardError().right(400));
        return false;
    }
};

QString collapsed(QString text)
{
    static const QRegularExpression marker(QStringLiteral("^\\s*(•|\\d+\\.)\\s"));
    text.remove(marker);
    return text.simplified();
}

int blankLines(const QStringList &lines)
{
    return int(std::count_if(lines.begin(), lines.end(), [](const QString &line) { return line.trimmed().isEmpty(); }));
}

void trimBlankEnds(QStringList &lines)
{
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
}

// The lines of all pages without what the printer adds: the margins and
// Qt's page number at the foot of each page.
QStringList pageLinesOf(const QString &printed)
{
    static const QRegularExpression pageNumber(QStringLiteral("^\\s*\\d+\\s*$"));
    QStringList lines;
    for (const QString &page : printed.split(QLatin1Char('\f'))) {
        QStringList pageLines = page.split(QLatin1Char('\n'));
        trimBlankEnds(pageLines);
        if (!pageLines.isEmpty() && pageNumber.match(pageLines.last()).hasMatch())
            pageLines.removeLast();
        trimBlankEnds(pageLines);
        lines += pageLines;
    }
    return lines;
}

// Checks a printed document against its plain part and the editor: every
// written line is on the page in its order (wrapped lines joined), and the
// page has no more blank lines than the plain part has empty paragraphs or
// the editor's own print shows (paragraph spacing looks like a blank line
// to pdftotext).
void expectPrintedAsTyped(const QTextDocument &document, const std::string &name)
{
    const std::optional<QString> html = RtfToHtml::convert(RtfWriter::write(document));
    ASSERT_TRUE(html) << name;
    QString error;
    const QString printed = PrintedPage::print(*html, error);
    ASSERT_TRUE(error.isEmpty()) << name << ": " << error.toStdString();

    QStringList plainLines = MarkedPlainText::of(document).split(QLatin1Char('\n'));
    while (!plainLines.isEmpty() && plainLines.last().trimmed().isEmpty())
        plainLines.removeLast();
    const QStringList pageLines = pageLinesOf(printed);
    const QString editor = PrintedPage::printEditor(document, error);
    ASSERT_TRUE(error.isEmpty()) << name << ": " << error.toStdString();

    EXPECT_LE(blankLines(pageLines), std::max(blankLines(plainLines), blankLines(pageLinesOf(editor))))
        << name << "\nbrowser:\n" << printed.toStdString() << "\neditor:\n" << editor.toStdString();
    const QString page = collapsed(pageLines.join(QLatin1Char(' ')));
    qsizetype from = 0;
    for (const QString &line : std::as_const(plainLines)) {
        const QString wanted = collapsed(line);
        if (wanted.isEmpty())
            continue;
        const qsizetype at = page.indexOf(wanted, from);
        EXPECT_GE(at, 0) << name << ": line not on the page in its place: " << wanted.toStdString();
        if (at >= 0)
            from = at + wanted.size();
    }
}

// A letter typed as the demo types it: a centred bold title, an empty line,
// text, a bulleted list with a coloured item and a closing line.
void typeDemoLetter(QTextDocument &document)
{
    QTextCursor cursor(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Frühjahrsangebot 2027"), bold);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Guten Tag Frau Erika Muster,"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("für Ihre Kundennummer 10001 haben wir drei Angebote ausgewählt:"));
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.insertList(bullets);
    cursor.insertText(QStringLiteral("Frische Brötchen"));
    cursor.insertBlock();
    QTextCharFormat red;
    red.setForeground(QColor(0xb0, 0x30, 0x30));
    cursor.insertText(QStringLiteral("Rote Grütze"), red);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Käse aus Köln"), QTextCharFormat());
    cursor.insertBlock(QTextBlockFormat()); // a fresh block format ends the list
    cursor.insertText(QStringLiteral("Mit freundlichen Grüßen, Stand 06.12.2026"));
}

class PrintedHtml : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString missing = PrintedPage::missingTools();
        if (missing.isEmpty())
            return;
        if (qEnvironmentVariable("CI") == QStringLiteral("true"))
            FAIL() << missing.toStdString();
        GTEST_SKIP() << missing.toStdString();
    }
};

} // namespace

TEST_F(PrintedHtml, DemoLetterPrintsAsTyped)
{
    QTextDocument document;
    typeDemoLetter(document);
    ASSERT_TRUE(MarkedPlainText::of(document).contains(QStringLiteral("\n• Rote Grütze\n")));
    expectPrintedAsTyped(document, "demo letter");
}

TEST_F(PrintedHtml, FixtureLettersPrintAsTyped)
{
    const QStringList letters = QDir(rtfFixtureDir()).entryList({QStringLiteral("*brief*.rtf"), QStringLiteral("*bullet*.rtf"),
                                                                  QStringLiteral("*lists*.rtf")});
    if (letters.isEmpty()) {
        if (qEnvironmentVariable("CI") == QStringLiteral("true"))
            FAIL() << "no fixture letters in " << rtfFixtureDir().toStdString();
        GTEST_SKIP() << "no fixture letters in " << rtfFixtureDir().toStdString();
    }
    for (const QString &name : letters) {
        QTextDocument document;
        ASSERT_TRUE(RtfDocumentBuilder::load(readFixture(name), document)) << name.toStdString();
        expectPrintedAsTyped(document, name.toStdString());
    }
}
