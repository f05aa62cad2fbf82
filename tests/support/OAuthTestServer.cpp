#include "OAuthTestServer.h"
#include "TestServerProcess.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QUrlQuery>

namespace OrvVelmora::Testing {

OAuthTestServer::~OAuthTestServer()
{
    if (m_process)
        stopTestServer(*m_process);
}

bool OAuthTestServer::start()
{
    m_process = std::make_unique<QProcess>();
    const QList<QByteArray> words =
        startTestServer(*m_process,
                        {QStringLiteral("-W"), QStringLiteral("ignore"),
                         QStringLiteral(ORV_SOURCE_DIR "/tests/support/oauth_test_server.py"), QStringLiteral("--dir"),
                         m_dir.path(), QStringLiteral("--client-id"), QLatin1String(kClientId),
                         QStringLiteral("--lifetime"), QString::number(m_lifetime)});
    if (words.size() != 3) {
        m_error = QStringLiteral("server did not start: ") + QString::fromUtf8(m_process->readAllStandardError());
        return false;
    }
    m_httpPort = static_cast<quint16>(words[1].toUInt());
    m_smtpPort = static_cast<quint16>(words[2].toUInt());
    return m_httpPort && m_smtpPort;
}

QString OAuthTestServer::endpoint(const char *path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_httpPort).arg(QLatin1String(path));
}

QStringList OAuthTestServer::events() const
{
    QFile log(m_dir.filePath(QStringLiteral("events.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int OAuthTestServer::count(const QString &eventPrefix) const
{
    const QStringList all = events();
    return int(std::count_if(all.begin(), all.end(), [&](const QString &e) { return e.startsWith(eventPrefix); }));
}

bool OAuthTestServer::revoke(const QString &refreshToken)
{
    QNetworkRequest request(QUrl(endpoint("/revoke")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("token"), refreshToken);
    QNetworkReply *reply = m_browser.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return reply->error() == QNetworkReply::NoError;
}

std::function<void(const QUrl &)> OAuthTestServer::browser()
{
    return [this](const QUrl &url) {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply *reply = m_browser.get(request);
        QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    };
}

} // namespace OrvVelmora::Testing
