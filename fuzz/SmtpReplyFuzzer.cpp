// libFuzzer entry for the SMTP reply reader: what a hostile server sends. The
// first byte sets how the rest is cut into packets; however it is cut, the
// reader must give the same replies as when everything arrives at once, and
// none beyond its limits.
#include "net/smtp/SmtpReply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using OrvVelmora::SmtpReply;
using OrvVelmora::SmtpReplyReader;

struct Outcome
{
    QList<SmtpReply> replies;
    bool garbled = false;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void drain(SmtpReplyReader &reader, SmtpReply &reply, Outcome &outcome)
{
    while (!outcome.garbled) {
        const SmtpReplyReader::State state = reader.next(reply);
        if (state == SmtpReplyReader::State::Incomplete)
            return;
        if (state == SmtpReplyReader::State::Garbled) {
            outcome.garbled = true;
            return;
        }
        require(reply.code >= 0 && reply.code <= 999);
        require(reply.lines.size() <= SmtpReplyReader::kMaxLines);
        for (const QByteArray &line : reply.lines)
            require(line.size() <= SmtpReplyReader::kMaxLineBytes && !line.contains('\n'));
        require(reply.text().startsWith(QByteArray::number(reply.code)));
        outcome.replies.append(reply);
    }
}

Outcome readInPackets(const QByteArray &bytes, qsizetype packet)
{
    SmtpReplyReader reader;
    SmtpReply reply;
    Outcome outcome;
    for (qsizetype from = 0; from < bytes.size() && !outcome.garbled; from += packet) {
        reader.append(QByteArrayView(bytes).sliced(from, qMin(packet, bytes.size() - from)));
        drain(reader, reply, outcome);
    }
    return outcome;
}

bool sameReplies(const QList<SmtpReply> &a, const QList<SmtpReply> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].code != b[i].code || a[i].lines != b[i].lines)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype packet = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const Outcome whole = readInPackets(bytes, qMax<qsizetype>(1, bytes.size()));
    const Outcome cut = readInPackets(bytes, packet);
    // A reply cut off by garbage may be complete in one reading and not yet
    // read in the other; up to the first garbage both must agree.
    require(whole.garbled == cut.garbled);
    require(sameReplies(whole.replies, cut.replies));
    return 0;
}
