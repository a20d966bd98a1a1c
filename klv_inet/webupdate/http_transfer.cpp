#include "klv_inet/webupdate/http_transfer.h"

#include "klv_inet/support/app_name.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <mutex>

namespace klv {
namespace {

constexpr int kPollMs = 50;

std::string suffix(uint64_t received, uint64_t expected)
{
    return "-(DLoaded:" + std::to_string(received) + ", Total:" + std::to_string(expected) + ")";
}

QUrl parseUrl(const std::string& url)
{
    return QUrl(QString::fromStdString(url), QUrl::StrictMode);
}

void useSystemProxyOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { QNetworkProxyFactory::setUseSystemConfiguration(true); });
}

QNetworkRequest makeRequest(const QUrl& url, const std::string& agent, int stallMs)
{
    QNetworkRequest request(url);
    const std::string ua = agent.empty() ? GetAppName() : agent;
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(ua));
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(stallMs > 0 ? stallMs : 30000);
    return request;
}

bool is2xx(int status)
{
    return status >= 200 && status < 300;
}

// Appends the downloaded part to `file` behind the merge banner.
bool appendMerged(const QString& part, const std::string& file, const std::string& url)
{
    QFile in(part);
    QFile out(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const std::string banner =
        "\r\n\r\n*********************** Merging with '" + url + "' file ***********************\r\n\r\n";
    if (out.write(banner.data(), qint64(banner.size())) != qint64(banner.size()))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(65536);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    return out.flush();
}

} // namespace

bool isHttpUrl(const std::string& url)
{
    const QUrl u = parseUrl(url);
    const QString scheme = u.scheme().toLower();
    return u.isValid() && (scheme == "http" || scheme == "https") && !u.host().isEmpty();
}

DownloadResult httpDownload(const std::string& url, const std::string& file, const DownloadOptions& options)
{
    DownloadResult r;
    r.expected = options.expectedSize;
    auto finish = [&](int code, std::string error) {
        r.code = code;
        r.error = std::move(error) + suffix(r.received, r.expected);
        return r;
    };
    if (!isHttpUrl(url))
        return finish(kDlNotHttp, "(szURL:" + url + ")->Error: Exiting with CKDRException(1)");
    if (!QCoreApplication::instance() || file.empty())
        return finish(kDlInternet, "(szURL:" + url + ")->Error: no network session can be opened");
    useSystemProxyOnce();

    const QString part = QString::fromStdString(file + ".part");
    QFile::remove(part);
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const int cause = kDlFileErrorBase + int(out.error());
        return finish(cause, "(szURL:" + url + ")->Error: Exiting with CFileException(" +
                                 std::to_string(cause) + ")");
    }

    QNetworkAccessManager session;
    QNetworkReply* reply = session.get(makeRequest(parseUrl(url), options.agent, options.stallTimeoutMs));
    QEventLoop loop;
    bool cancelled = false;
    bool badStatus = false;
    bool tooLarge = false;
    bool fileFailed = false;
    bool sizeSeen = false;

    auto checkCancel = [&] {
        if (!cancelled && options.cancelled && options.cancelled()) {
            cancelled = true;
            reply->abort();
        }
    };
    auto drain = [&] {
        if (cancelled || badStatus || tooLarge || fileFailed)
            return;
        r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (r.httpStatus != 0 && !is2xx(r.httpStatus)) {
            badStatus = true;
            reply->abort();
            return;
        }
        if (!sizeSeen) {
            sizeSeen = true;
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid()) {
                r.expected = length.toULongLong();
                if (r.expected > options.maxBytes) {
                    tooLarge = true;
                    reply->abort();
                    return;
                }
                if (options.progress)
                    options.progress(0, r.expected);
            }
        }
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty())
            return;
        if (r.received + uint64_t(chunk.size()) > options.maxBytes) {
            tooLarge = true;
            reply->abort();
            return;
        }
        if (out.write(chunk) != chunk.size()) {
            fileFailed = true;
            reply->abort();
            return;
        }
        r.received += uint64_t(chunk.size());
        if (options.progress)
            options.progress(r.received, r.expected);
        checkCancel();
    };

    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, checkCancel);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, drain);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    poll.start();
    if (!reply->isFinished())
        loop.exec();
    poll.stop();
    drain();
    const QNetworkReply::NetworkError netError = reply->error();
    const std::string netText = reply->errorString().left(1024).toStdString();
    if (r.httpStatus == 0)
        r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    const bool flushed = out.flush();
    out.close();

    int code = kDlOk;
    std::string error;
    if (cancelled) {
        code = kDlCancelled;
        error = "User Canceled";
    } else if (fileFailed || !flushed) {
        code = kDlFileErrorBase + int(out.error());
        error = "(szURL:" + url + ")->Error: Exiting with CFileException(" + std::to_string(code) + ")";
    } else if (badStatus || (r.httpStatus != 0 && !is2xx(r.httpStatus))) {
        code = kDlInternet;
        error = "(szURL:" + url + ")->Error: the server answered HTTP " + std::to_string(r.httpStatus);
    } else if (tooLarge) {
        code = kDlInternet;
        error = "(szURL:" + url + ")->Error: the answer is larger than " + std::to_string(options.maxBytes) +
                " bytes";
    } else if (netError == QNetworkReply::RemoteHostClosedError && r.expected != 0 &&
               r.received < r.expected) {
        code = kDlShort;
    } else if (netError != QNetworkReply::NoError) {
        code = kDlInternet;
        error = netText;
    }
    if (code == kDlOk && r.expected != 0 && r.received < r.expected)
        code = kDlShort;
    if (code == kDlShort)
        error = "(szURL:" + url + ")->Error: Wrong downloading due to unknown reason";

    if (code == kDlOk) {
        bool placed = false;
        if (options.fresh)
            placed = std::rename(part.toLocal8Bit().constData(), file.c_str()) == 0;
        else
            placed = appendMerged(part, file, url);
        if (!placed) {
            code = kDlFileErrorBase + int(QFileDevice::WriteError);
            error = "(szURL:" + url + ")->Error: Exiting with CFileException(" + std::to_string(code) + ")";
        }
    }
    QFile::remove(part);
    return finish(code, error);
}

bool httpPost(const std::string& url, const std::string& body, const PostOptions& options, int* httpStatus,
              std::string* error)
{
    int status = 0;
    auto fail = [&](std::string text) {
        if (httpStatus)
            *httpStatus = status;
        if (error)
            *error = std::move(text);
        return false;
    };
    if (!isHttpUrl(url))
        return fail("(szURL:" + url + ")->Error: Exiting with CKDRException(1)");
    if (!QCoreApplication::instance())
        return fail("(szURL:" + url + ")->Error: no network session can be opened");
    useSystemProxyOnce();

    QNetworkAccessManager session;
    QNetworkRequest request =
        makeRequest(QUrl(QString::fromStdString(url), QUrl::TolerantMode), options.agent, options.timeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply* reply = session.post(request, QByteArray(body.data(), qsizetype(body.size())));
    QEventLoop loop;
    bool cancelled = false;
    bool timedOut = false;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!cancelled && options.cancelled && options.cancelled()) {
            cancelled = true;
            reply->abort();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    poll.start();
    limit.start(options.timeoutMs > 0 ? options.timeoutMs : 30000);
    if (!reply->isFinished())
        loop.exec();
    poll.stop();
    limit.stop();
    status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError netError = reply->error();
    const std::string netText = reply->errorString().toStdString();
    delete reply;
    if (cancelled)
        return fail("User Canceled");
    if (timedOut)
        return fail("(szURL:" + url + ")->Error: no answer in time");
    if (status != 0 && !is2xx(status))
        return fail("(szURL:" + url + ")->Error: the server answered HTTP " + std::to_string(status));
    if (netError != QNetworkReply::NoError || status == 0)
        return fail(netText);
    if (httpStatus)
        *httpStatus = status;
    if (error)
        error->clear();
    return true;
}

} // namespace klv
