#include "outside/smtp/SmtpSession.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace OrvVelmora {

namespace {

constexpr int kPollMs = 20;
constexpr int kMaxReplyChars = 1000;

CURL *easyOf(void *handle)
{
    return static_cast<CURL *>(handle);
}

CURLM *multiOf(void *handle)
{
    return static_cast<CURLM *>(handle);
}

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

/// An idle SMTP connection has nothing to read; a peer that closed shows as
/// hang-up or as readable with nothing behind it.
bool socketAlive(int socket)
{
    pollfd entry{socket, POLLIN | POLLRDHUP, 0};
    if (poll(&entry, 1, 0) < 0 || (entry.revents & (POLLERR | POLLHUP | POLLRDHUP | POLLNVAL)))
        return false;
    if (!(entry.revents & POLLIN))
        return true;
    char byte;
    return recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

QByteArray urlFor(const SmtpSessionSettings &settings)
{
    const QByteArray scheme = settings.tls == SmtpTlsMode::Implicit ? "smtps://" : "smtp://";
    QByteArray host = QUrl::toAce(settings.host);
    if (host.isEmpty())
        host = settings.host.toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    // libcurl announces the URL's path in EHLO.
    return scheme + host + ':' + QByteArray::number(settings.port) + '/'
        + QUrl::toPercentEncoding(QString::fromLatin1(settings.heloName));
}

long sslLevel(SmtpTlsMode mode)
{
    switch (mode) {
    case SmtpTlsMode::Required:
    case SmtpTlsMode::Implicit:
        return CURLUSESSL_ALL;
    case SmtpTlsMode::WhenOffered:
        return CURLUSESSL_TRY;
    case SmtpTlsMode::Off:
        break;
    }
    return CURLUSESSL_NONE;
}

} // namespace

SmtpSession::SmtpSession()
{
    initCurl();
}

SmtpSession::~SmtpSession()
{
    *m_alive = false;
    close();
}

size_t SmtpSession::onRead(char *buffer, size_t size, size_t count, void *self)
{
    auto *session = static_cast<SmtpSession *>(self);
    const qint64 left = session->m_upload.size() - session->m_uploadPos;
    const qint64 chunk = qMin<qint64>(left, static_cast<qint64>(size * count));
    memcpy(buffer, session->m_upload.constData() + session->m_uploadPos, static_cast<size_t>(chunk));
    session->m_uploadPos += chunk;
    return static_cast<size_t>(chunk);
}

size_t SmtpSession::onWrite(char *, size_t size, size_t count, void *)
{
    return size * count;
}

int SmtpSession::onDebug(void *, int type, char *data, size_t size, void *self)
{
    auto *session = static_cast<SmtpSession *>(self);
    switch (type) {
    case CURLINFO_HEADER_IN:
        for (const QByteArray &line : QByteArray(data, static_cast<qsizetype>(size)).split('\n')) {
            if (!line.trimmed().isEmpty())
                session->onReplyLine(line);
        }
        break;
    case CURLINFO_HEADER_OUT:
        session->onCommand(data, size);
        break;
    case CURLINFO_DATA_OUT:
        session->touch();
        break;
    default:
        break;
    }
    return 0;
}

int SmtpSession::onOpenSocket(void *self, int, void *address)
{
    auto *session = static_cast<SmtpSession *>(self);
    if (!session->m_mayOpenSockets)
        return CURL_SOCKET_BAD;
    const auto *target = static_cast<curl_sockaddr *>(address);
    const int socket = ::socket(target->family, target->socktype | SOCK_CLOEXEC, target->protocol);
    if (socket >= 0)
        session->m_sockets.insert(socket);
    return socket;
}

int SmtpSession::onCloseSocket(void *self, int socket)
{
    static_cast<SmtpSession *>(self)->m_sockets.remove(socket);
    return ::close(socket);
}

void SmtpSession::touch()
{
    m_idleDeadline.setRemainingTime(m_ioTimeout * 1000);
}

void SmtpSession::onReplyLine(const QByteArray &line)
{
    touch();
    // libcurl says QUIT on its own when it gives a failed session up; the
    // answer to that must not hide the reply that made the step fail.
    if (m_quitting)
        return;
    const QByteArray text = line.trimmed();
    m_pendingReply += (m_pendingReply.isEmpty() ? QByteArray() : QByteArray(" ")) + text;
    // "250-..." continues a reply, "250 ..." (or a bare code) ends it.
    if (text.size() > 3 && text.at(3) == '-')
        return;
    m_replyCode = text.left(3).toInt();
    m_reply = QString::fromUtf8(m_pendingReply).left(kMaxReplyChars);
    m_pendingReply.clear();
}

void SmtpSession::onCommand(const char *data, size_t size)
{
    const QByteArray line(data, static_cast<qsizetype>(qMin<size_t>(size, 16)));
    const QByteArray verb = line.split(' ').constFirst().trimmed().toUpper();
    static const QList<QByteArray> steps{"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "NOOP"};
    if (steps.contains(verb))
        m_step = verb;
    m_quitting = m_quitting || verb == "QUIT";
}

bool SmtpSession::setTrustStore(const QString &caFile)
{
    if (caFile.isEmpty())
        return true;
    QFile extra(caFile);
    if (!extra.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Die Zertifikatsdatei „%1“ kann nicht gelesen werden.").arg(caFile);
        return false;
    }
    // One blob with the system's bundle and the extra file, so the extra CA adds
    // to the trust store instead of replacing it.
    char *defaultBundle = nullptr;
    curl_easy_getinfo(easyOf(m_easy), CURLINFO_CAINFO, &defaultBundle);
    QByteArray pem;
    if (defaultBundle) {
        QFile system(QString::fromLocal8Bit(defaultBundle));
        if (system.open(QIODevice::ReadOnly))
            pem = system.readAll() + '\n';
    }
    pem += extra.readAll();
    curl_blob blob{pem.data(), static_cast<size_t>(pem.size()), CURL_BLOB_COPY};
    curl_easy_setopt(easyOf(m_easy), CURLOPT_CAINFO, nullptr);
    return curl_easy_setopt(easyOf(m_easy), CURLOPT_CAINFO_BLOB, &blob) == CURLE_OK;
}

bool SmtpSession::configure(const SmtpSessionSettings &settings)
{
    CURL *easy = easyOf(m_easy);
    m_ioTimeout = qMax(1, settings.ioTimeout);
    curl_easy_setopt(easy, CURLOPT_URL, urlFor(settings).constData());
    curl_easy_setopt(easy, CURLOPT_USE_SSL, sslLevel(settings.tls));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(qMax(1, settings.connectTimeout)));
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(m_ioTimeout));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_ioTimeout));
    // Nagle's algorithm would hold back each small command for the peer's delayed ACK.
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &SmtpSession::onOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &SmtpSession::onCloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    // The debug callback only runs with VERBOSE on; it is the sole consumer, so
    // nothing is printed, and it keeps incoming replies only.
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &SmtpSession::onDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &SmtpSession::onWrite);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &SmtpSession::onRead);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
    if (!settings.user.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, settings.user.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, settings.password.toUtf8().constData());
    }
    return setTrustStore(settings.caFile);
}

SmtpSession::Outcome SmtpSession::open(const SmtpSessionSettings &settings)
{
    close();
    m_error.clear();
    m_upload.clear();
    m_uploadPos = 0;
    m_server = settings.host;
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy) {
        m_error = QStringLiteral("Die Verbindung konnte nicht vorbereitet werden.");
        close();
        return Outcome::Failed;
    }
    if (!configure(settings)) {
        close();
        return Outcome::Failed;
    }
    curl_easy_setopt(easyOf(m_easy), CURLOPT_CUSTOMREQUEST, "NOOP");
    m_step = "CONNECT";
    m_mayOpenSockets = true;
    const Outcome outcome = perform();
    if (outcome == Outcome::Destroyed)
        return outcome;
    m_mayOpenSockets = false;
    curl_easy_setopt(easyOf(m_easy), CURLOPT_CUSTOMREQUEST, nullptr);
    if (outcome == Outcome::Failed)
        close();
    return outcome;
}

bool SmtpSession::isOpen() const
{
    if (!m_easy || m_sockets.isEmpty())
        return false;
    for (int socket : m_sockets) {
        if (!socketAlive(socket))
            return false;
    }
    return true;
}

SmtpSession::Outcome SmtpSession::send(const QByteArray &from, const QByteArray &recipient,
                                       const QByteArray &message)
{
    CURL *easy = easyOf(m_easy);
    m_error.clear();
    m_upload = message;
    m_uploadPos = 0;
    curl_slist *recipients = curl_slist_append(nullptr, ('<' + recipient + '>').constData());
    m_recipients = recipients;
    curl_easy_setopt(easy, CURLOPT_MAIL_FROM, ('<' + from + '>').constData());
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    const Outcome outcome = perform();
    if (outcome == Outcome::Destroyed)
        return outcome;
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    curl_slist_free_all(recipients);
    m_recipients = nullptr;
    return outcome;
}

bool SmtpSession::waitForActivity()
{
    if (m_idleDeadline.hasExpired()) {
        m_timedOut = true;
        return false;
    }
    curl_multi_poll(multiOf(m_multi), nullptr, 0, kPollMs, nullptr);
    return !m_abortRequested;
}

SmtpSession::Outcome SmtpSession::perform()
{
    const std::shared_ptr<bool> alive = m_alive;
    m_abortRequested = false;
    m_timedOut = false;
    m_quitting = false;
    m_pendingReply.clear();
    m_reply.clear();
    m_replyCode = 0;
    touch();
    curl_multi_add_handle(multiOf(m_multi), easyOf(m_easy));
    int running = 1;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (;;) {
        if (curl_multi_perform(multiOf(m_multi), &running) != CURLM_OK)
            break;
        if (running == 0) {
            int queued = 0;
            while (CURLMsg *message = curl_multi_info_read(multiOf(m_multi), &queued)) {
                if (message->msg == CURLMSG_DONE)
                    result = message->data.result;
            }
            break;
        }
        if (m_pollHook)
            m_pollHook();
        if (!*alive)
            return Outcome::Destroyed;
        if (!waitForActivity())
            break;
    }
    curl_multi_remove_handle(multiOf(m_multi), easyOf(m_easy));
    if (result == CURLE_OK)
        return Outcome::Done;
    fail(result);
    return Outcome::Failed;
}

void SmtpSession::close()
{
    if (m_multi && m_easy)
        curl_multi_remove_handle(multiOf(m_multi), easyOf(m_easy));
    if (m_easy)
        curl_easy_cleanup(easyOf(m_easy));
    m_easy = nullptr;
    // Cleaning the multi handle up closes its cached connection, saying QUIT.
    if (m_multi)
        curl_multi_cleanup(multiOf(m_multi));
    m_multi = nullptr;
    curl_slist_free_all(static_cast<curl_slist *>(m_recipients));
    m_recipients = nullptr;
    m_sockets.clear();
}

void SmtpSession::fail(int curlCode)
{
    m_error = describe(curlCode);
    if (m_replyCode >= 400 && !m_reply.isEmpty())
        m_error += QStringLiteral(" Antwort des Servers: ") + m_reply;
}

QString SmtpSession::stepRefusal() const
{
    if (m_step == "CONNECT" || m_step == "NOOP")
        return QStringLiteral("Der Server hat die Verbindung abgelehnt.");
    if (m_step == "EHLO" || m_step == "HELO")
        return QStringLiteral("Der Server hat die Begrüßung (EHLO) abgelehnt.");
    if (m_step == "STARTTLS")
        return QStringLiteral("Der Server hat die verschlüsselte Verbindung (STARTTLS) abgelehnt; "
                              "ohne Verschlüsselung werden keine Zugangsdaten gesendet.");
    if (m_step == "AUTH")
        return QStringLiteral("Die Anmeldung am Server ist fehlgeschlagen. Bitte Benutzername und Kennwort prüfen.");
    if (m_step == "MAIL")
        return QStringLiteral("Der Server hat die Absenderadresse abgelehnt.");
    if (m_step == "RCPT")
        return QStringLiteral("Der Server hat die Empfängeradresse abgelehnt.");
    return QStringLiteral("Der Server hat die Nachricht abgelehnt.");
}

QString SmtpSession::describe(int curlCode) const
{
    if (m_timedOut || curlCode == CURLE_OPERATION_TIMEDOUT)
        return QStringLiteral("Der Server „%1“ hat nicht rechtzeitig geantwortet (Zeitüberschreitung).").arg(m_server);
    if (m_abortRequested)
        return QStringLiteral("Der Vorgang wurde abgebrochen.");
    if (m_replyCode >= 400)
        return stepRefusal();
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Der Server „%1“ wurde nicht gefunden.").arg(m_server);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Der Server „%1“ ist nicht erreichbar (Verbindung abgelehnt).").arg(m_server);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("Die Anmeldung am Server ist fehlgeschlagen. Bitte Benutzername und Kennwort prüfen.");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("Der Server bietet keine verschlüsselte Verbindung (STARTTLS) an; "
                              "ohne Verschlüsselung werden keine Zugangsdaten gesendet.");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return QStringLiteral("Das Zertifikat des Servers „%1“ ist nicht vertrauenswürdig.").arg(m_server);
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("Die verschlüsselte Verbindung zum Server „%1“ konnte nicht aufgebaut werden.").arg(m_server);
    case CURLE_RECV_ERROR:
        // Also what libcurl reports for a reply line that exceeds its buffer.
        return QStringLiteral("Die Verbindung zum Server „%1“ wurde unterbrochen oder seine Antwort war unlesbar.")
            .arg(m_server);
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("Die Verbindung zum Server „%1“ wurde unterbrochen.").arg(m_server);
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("Der Server „%1“ hat eine unverständliche Antwort gesendet.").arg(m_server);
    default:
        break;
    }
    return QStringLiteral("Die Übertragung zum Server „%1“ ist fehlgeschlagen (Fehler %2).").arg(m_server).arg(curlCode);
}

} // namespace OrvVelmora
