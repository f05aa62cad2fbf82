#include "RtfExercise.h"

#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfToHtml.h"
#include "codec/rtf/RtfWriter.h"

#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

namespace OrvVelmora::Testing {

void exerciseRtf(QByteArrayView bytes)
{
    const QByteArray rtf = bytes.startsWith("{\\rtf") ? bytes.toByteArray() : "{\\rtf1 " + bytes.toByteArray();
    QTextDocument document;
    if (!RtfDocumentBuilder::load(rtf, document))
        return;
    QTextDocument again;
    RtfDocumentBuilder::load(RtfWriter::write(document), again);
    if (again.toPlainText() != document.toPlainText()) {
        std::fprintf(stderr, "round trip changed the text\n");
        std::abort();
    }
    (void)RtfToHtml::convert(rtf);
}

} // namespace OrvVelmora::Testing
