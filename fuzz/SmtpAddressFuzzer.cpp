// libFuzzer entry for the address check: what a customer database holds. An
// address it accepts goes into MAIL FROM, RCPT TO and headers, so nothing that
// could end a command or a header, or start another, may get through.
#include "net/smtp/SmtpAddress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using OrvVelmora::SmtpAddress;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkEncoded(const QByteArray &encoded)
{
    static const QByteArray kNeverInAnAddress("\"(),:;<>[\\] \x7f");
    require(encoded.count('@') == 1);
    for (const char c : encoded) {
        const auto byte = static_cast<unsigned char>(c);
        require(byte > 0x20 && !kNeverInAnAddress.contains(c));
    }
    const qsizetype at = encoded.indexOf('@');
    for (const char c : encoded.mid(at + 1))
        require(static_cast<unsigned char>(c) < 0x80);
    // What was accepted reads back as itself.
    const SmtpAddress again(QString::fromUtf8(encoded));
    require(again.isValid() && again.encoded() == encoded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const SmtpAddress address(text);
    if (address.isValid())
        checkEncoded(address.encoded());
    for (const QChar c : SmtpAddress::printable(text))
        require(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    return 0;
}
