#include "RtfTestSupport.h"

#include "codec/rtf/MarkedPlainText.h"
#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfToHtml.h"
#include "codec/rtf/RtfWriter.h"

#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

// The standard output of a tool, or nothing (with the reason in error).
std::optional<QString> runTool(const QString &program, const QStringList &arguments, QString &error)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(120000) && process.exitCode() == 0)
        return QString::fromUtf8(process.readAllStandardOutput());
    error = program + QStringLiteral(": ") + QString::fromUtf8(process.readAllStandardError().right(400));
    return std::nullopt;
}

// A PDF read back with its layout kept, so that every gap a reader sees is a blank line here.
std::optional<QString> pdfText(const QString &pdf, QString &error)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, error);
}

std::optional<QString> printedByChromium(const QString &html, QString &error)
{
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("message.html")));
    if (!page.open(QIODevice::WriteOnly) || page.write(html.toUtf8()) < 0)
        return error = QStringLiteral("cannot write the page"), std::nullopt;
    page.close();
    const QString pdf = dir.filePath(QStringLiteral("message.pdf"));
    const QStringList flags = QStringLiteral("--headless --no-sandbox --disable-gpu --no-first-run "
                                             "--disable-background-networking --disable-component-update "
                                             "--no-pdf-header-footer")
                                  .split(QLatin1Char(' '));
    if (!runTool(QStringLiteral("chromium"),
                 flags +
                     QStringList{QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
                                 QStringLiteral("--print-to-pdf=") + pdf,
                                 QUrl::fromLocalFile(page.fileName()).toString()},
                 error))
        return std::nullopt;
    return pdfText(pdf, error);
}

// The editor's own layout of the letter, as Qt prints it.
std::optional<QString> printedByEditor(const QTextDocument &document, QString &error)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("editor.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        std::unique_ptr<QTextDocument>(document.clone())->print(&writer);
    }
    return pdfText(pdf, error);
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

int blankLines(const QStringList &lines)
{
    return int(std::count_if(lines.begin(), lines.end(), [](const QString &line) { return line.trimmed().isEmpty(); }));
}

QString collapsed(QString text)
{
    static const QRegularExpression marker(QStringLiteral("^\\s*(•|\\d+\\.)\\s"));
    return text.remove(marker).simplified();
}

// Every written line of the plain part is on the page in its order (wrapped
// lines joined), and the page has no more blank lines than the plain part has
// empty paragraphs or the editor's own print shows (paragraph spacing looks
// like a blank line to pdftotext).
void expectPrintedAsTyped(const QTextDocument &document, const std::string &name)
{
    const std::optional<QString> html = RtfToHtml::convert(RtfWriter::write(document));
    ASSERT_TRUE(html) << name;
    QString error;
    const std::optional<QString> browser = printedByChromium(*html, error);
    const std::optional<QString> editor = browser ? printedByEditor(document, error) : std::nullopt;
    ASSERT_TRUE(browser && editor) << name << ": " << error.toStdString();

    QStringList plainLines = MarkedPlainText::of(document).split(QLatin1Char('\n'));
    trimBlankEnds(plainLines);
    const QStringList pageLines = pageLinesOf(*browser);
    EXPECT_LE(blankLines(pageLines), std::max(blankLines(plainLines), blankLines(pageLinesOf(*editor))))
        << name << "\nbrowser:\n"
        << browser->toStdString() << "\neditor:\n"
        << editor->toStdString();
    const QString page = collapsed(pageLines.join(QLatin1Char(' ')));
    qsizetype from = 0;
    for (const QString &line : std::as_const(plainLines)) {
        const QString wanted = collapsed(line);
        const qsizetype at = wanted.isEmpty() ? from : page.indexOf(wanted, from);
        EXPECT_GE(at, 0) << name << ": line not on the page in its place: " << wanted.toStdString();
        from = std::max(from, at + wanted.size());
    }
}

class PrintedHtml : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *tool : {"chromium", "pdftotext"}) {
            if (!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                continue;
            if (qEnvironmentVariable("CI") == QStringLiteral("true"))
                FAIL() << tool << " is not installed";
            GTEST_SKIP() << tool << " is not installed";
        }
    }
};

} // namespace

// The demo's letter: a centred bold title, an empty line, text, a bulleted
// list with a coloured item and a closing line.
TEST_F(PrintedHtml, DemoLetterPrintsAsTyped)
{
    QTextDocument document;
    ASSERT_TRUE(RtfDocumentBuilder::load(
        "{\\rtf1\\ansi{\\colortbl;\\red176\\green48\\blue48;}\\qc\\b Fr\\'fchjahrsangebot 2027\\b0\\par\\pard\\par "
        "Guten Tag Frau Erika Muster,\\par f\\'fcr Ihre Kundennummer 10001 haben wir drei Angebote "
        "ausgew\\'e4hlt:\\par "
        "\\ls1 Frische Br\\'f6tchen\\par{\\cf1 Rote Gr\\'fctze}\\par K\\'e4se aus K\\'f6ln\\par\\pard "
        "Mit freundlichen Gr\\'fc\\'dfen, Stand 06.12.2026}",
        document));
    ASSERT_TRUE(MarkedPlainText::of(document).contains(QStringLiteral("\n• Rote Grütze\n")));
    expectPrintedAsTyped(document, "demo letter");
}

TEST_F(PrintedHtml, FixtureLettersPrintAsTyped)
{
    const QStringList letters =
        QDir(rtfFixtureDir())
            .entryList({QStringLiteral("*brief*.rtf"), QStringLiteral("*bullet*.rtf"), QStringLiteral("*lists*.rtf")});
    if (letters.isEmpty() && qEnvironmentVariable("CI") == QStringLiteral("true"))
        FAIL() << "no fixture letters in " << rtfFixtureDir().toStdString();
    if (letters.isEmpty())
        GTEST_SKIP() << "no fixture letters in " << rtfFixtureDir().toStdString();
    for (const QString &name : letters) {
        QTextDocument document;
        ASSERT_TRUE(RtfDocumentBuilder::load(readFixture(name), document)) << name.toStdString();
        expectPrintedAsTyped(document, name.toStdString());
    }
}
