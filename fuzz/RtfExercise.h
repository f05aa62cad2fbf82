#pragma once

#include <QByteArrayView>

namespace OrvVelmora::Testing {

/// Runs bytes through every reading path of the codec: into a document, the
/// document back out as RTF and in again, and into HTML. Aborts when the
/// second reading loses text, which would mean the writer wrote something the
/// reader does not read back.
void exerciseRtf(QByteArrayView bytes);

} // namespace OrvVelmora::Testing
