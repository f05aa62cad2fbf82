#include "RtfHostileCorpus.h"

#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfToHtml.h"
#include "codec/rtf/RtfWriter.h"

#include <QTextDocument>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

// Each generated document goes through everything that reads RTF. The
// reader must end (ctest's timeout catches a hang), deliver no more text
// than it was given, and read what the document does hold.
TEST(RtfHostile, GeneratedDocumentsAreReadWithinBounds)
{
    for (const HostileCase &hostile : hostileCorpus()) {
        SCOPED_TRACE(qPrintable(hostile.name));
        QTextDocument document;
        qsizetype inputSize = 0;
        {
            const QByteArray rtf = hostile.make();
            inputSize = rtf.size();
            ASSERT_TRUE(RtfDocumentBuilder::load(rtf, document));
            const std::optional<QString> html = RtfToHtml::convert(rtf);
            ASSERT_TRUE(html.has_value());
            EXPECT_TRUE(html->endsWith(QLatin1String("</html>\n")));
        }
        EXPECT_LE(document.characterCount(), inputSize + 1);
        if (!hostile.expectedText.isEmpty()) {
            EXPECT_EQ(document.toPlainText(), hostile.expectedText);
        }
        QTextDocument again;
        EXPECT_TRUE(RtfDocumentBuilder::load(RtfWriter::write(document), again));
        EXPECT_EQ(again.toPlainText(), document.toPlainText());
    }
}

} // namespace
