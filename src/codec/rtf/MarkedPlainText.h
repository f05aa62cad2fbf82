#pragma once

#include <QString>

class QTextDocument;

namespace OrvVelmora {

/// A document's text as the plain part of a mail shows it: like
/// QTextDocument::toPlainText(), but every list item keeps its marker
/// ("• " for bullets, "1. " and the like for numbered lists), indented by two
/// blanks per nesting level, so a reader without HTML still sees the list.
class MarkedPlainText
{
public:
    [[nodiscard]] static QString of(const QTextDocument &document);
};

} // namespace OrvVelmora
