#include "TCppWebBrowser.h"

#include "Pictures.h"
#include "core/AnswerStatus.h"
#include "core/Cp950.h"
#include "desktop/UrlOpener.h"
#include "platform/Files.h"

#include <QFileInfo>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPixmap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace {

int& timeoutMs() {
    static int ms = 30000;
    return ms;
}

// The answer page is never read; a server sending without end must not fill memory.
constexpr qint64 kAnswerBufferBytes = 64 * 1024;
constexpr int kMaxRedirects = 20;

// The body of one POST as a device that cannot be rewound: when a connection drops after the
// request went out, the network layer cannot send the registration a second time.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(const QByteArray& bytes) : bytes_(bytes) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return bytes_.size() - offset_; }

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = std::min(max, bytes_.size() - offset_);
        std::memcpy(data, bytes_.constData() + offset_, static_cast<size_t>(n));
        offset_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 offset_ = 0;
};

QString missingPage(const QString& path) {
    return QStringLiteral(
               "<html><body style=\"font-size:10pt; color:#444444;\"><p><b>無法顯示網頁</b></p>"
               "<p>找不到檔案：%1</p></body></html>")
        .arg(path.toHtmlEscaped());
}

// The 2x file of a page picture, made to the screen's pixels; null when there is none. The
// pages give every picture its size, so only the detail changes. Qt asks for the 2x file
// itself when the current folder holds it.
QPixmap sharpPagePicture(const QString& path, qreal ratio) {
    const bool sharpAlready = QFileInfo(path).completeBaseName().endsWith(QStringLiteral("@2x"));
    const auto bytes = files::readAll(sharpAlready ? path : pictures::sharpName(path));
    QImage image = bytes ? QImage::fromData(*bytes) : QImage();
    if (image.isNull()) {
        return {};
    }
    if (ratio != 2) {
        // Reduced (150 %) or enlarged smoothly here: the page draws it without smoothing.
        image = image.scaled((QSizeF(image.size()) * ratio / 2).toSize(), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

}  // namespace

TCppWebBrowser::TCppWebBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, &TCppWebBrowser::linkClicked);
}

int TCppWebBrowser::transferTimeoutMs() {
    return timeoutMs();
}

void TCppWebBrowser::setTransferTimeoutMs(int ms) {
    timeoutMs() = ms;
}

QString TCppWebBrowser::decodePage(const QByteArray& bytes) {
    static const QRegularExpression charset(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(2048));
    const QString name = charset.match(head).captured(1).toLower();
    if (name == QStringLiteral("big5") || name == QStringLiteral("cp950") ||
        name == QStringLiteral("x-x-big5") || name == QStringLiteral("windows-950")) {
        return cp950::decode(bytes);
    }
    if (!name.isEmpty() && name != QStringLiteral("utf-8") && name != QStringLiteral("utf8")) {
        QStringDecoder decoder(name.toLatin1().constData());
        if (decoder.isValid()) {
            return decoder.decode(bytes);
        }
    }
    return QString::fromUtf8(bytes);
}

void TCppWebBrowser::cancelPost() {
    if (reply_ == nullptr) {
        return;
    }
    // A replaced navigation raises no events of its own.
    QNetworkReply* old = reply_;
    reply_ = nullptr;
    timeout_->stop();
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void TCppWebBrowser::Navigate(const QString& path) {
    ++navigation_;
    cancelPost();
    location_ = path;
    // The page is read and laid out when the event loop comes to it, as a real navigation
    // would be: creating a window with a browser costs no layout of its own.
    const quint64 mine = navigation_;
    QTimer::singleShot(0, this, [this, mine, path] {
        if (mine == navigation_) {
            showLocal(path);
            complete(false);
        }
    });
}

void TCppWebBrowser::showLocal(const QString& path) {
    const auto bytes = files::readAll(path);
    if (!bytes || QFileInfo(path).isDir()) {
        document()->setBaseUrl(QUrl());
        setHtml(missingPage(path));
        return;
    }
    // Relative pictures load from the page's folder.
    document()->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + u'/'));
    setHtml(decodePage(*bytes));
}

QVariant TCppWebBrowser::loadResource(int type, const QUrl& name) {
    const qreal ratio = devicePixelRatioF();
    if (type == QTextDocument::ImageResource && ratio > 1 && name.isLocalFile()) {
        const QPixmap sharp = sharpPagePicture(name.toLocalFile(), ratio);
        if (!sharp.isNull()) {
            return sharp;
        }
    }
    return QTextBrowser::loadResource(type, name);
}

void TCppWebBrowser::linkClicked(const QUrl& url) {
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
    const QUrl resolved = document()->baseUrl().resolved(url);
    if (resolved.scheme() == QStringLiteral("http") ||
        resolved.scheme() == QStringLiteral("https") ||
        resolved.scheme() == QStringLiteral("mailto")) {
        shell::openUrl(resolved);
        return;
    }
    if (resolved.isLocalFile()) {
        Navigate(resolved.toLocalFile());
    }
}

void TCppWebBrowser::Navigate(const QString& address, const QByteArray& postData,
                              const QByteArray& headerText) {
    ++navigation_;
    cancelPost();
    location_ = address;
    if (network_ == nullptr) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        network_ = new QNetworkAccessManager(this);
        timeout_ = new QTimer(this);
        timeout_->setSingleShot(true);
    }
    postData_ = postData;
    headerText_ = headerText;
    redirects_ = 0;
    timeout_->start(timeoutMs());
    send(QUrl(address, QUrl::StrictMode), true);
}

void TCppWebBrowser::send(const QUrl& url, bool post) {
    posting_ = post;
    QNetworkRequest request(url);
    // Redirects are followed here: only a fresh body can go to a new address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // A connection kept from an earlier post may have been closed by the server meanwhile;
    // a fresh one spares that post a failure it never caused.
    network_->clearConnectionCache();
    QNetworkReply* reply = nullptr;
    if (post) {
        for (const QByteArray& line : headerText_.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0) {
                request.setRawHeader(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
            }
        }
        request.setHeader(QNetworkRequest::ContentLengthHeader, postData_.size());
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        auto* body = new OneShotBody(postData_);
        reply = network_->post(request, body);
        body->setParent(reply);
    } else {
        reply = network_->get(request);
    }
    // The network thread learns of a read limit only once the request has started, which the
    // reply does on the next turn of the event loop.
    QTimer::singleShot(0, reply, [reply] { reply->setReadBufferSize(kAnswerBufferBytes); });
    reply_ = reply;
    timeout_->disconnect();
    connect(timeout_, &QTimer::timeout, reply, [this, reply] { finishPost(reply, true); });
    connect(reply, &QNetworkReply::readyRead, this,
            [reply] { reply->skip(reply->bytesAvailable()); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishPost(reply, false); });
}

// Asks the address a 3xx answer names; false when it is not to be followed.
bool TCppWebBrowser::followRedirect(QNetworkReply* reply, int status, const QUrl& target) {
    const QUrl next = reply->url().resolved(target);
    const QString scheme = next.scheme();
    const bool lessSafe =
        reply->url().scheme() == QStringLiteral("https") && scheme != QStringLiteral("https");
    if (++redirects_ > kMaxRedirects || lessSafe ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        return false;
    }
    // 307 and 308 keep the method and body: the server took nothing, so the one post goes on.
    // The others ask for the page at the new address.
    send(next, posting_ && (status == 307 || status == 308));
    return true;
}

void TCppWebBrowser::finishPost(QNetworkReply* reply, bool abandoned) {
    if (reply != reply_) {
        return;  // an earlier navigation, replaced by a newer one
    }
    reply_ = nullptr;
    reply->disconnect(this);
    if (abandoned) {
        reply->abort();
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    const QNetworkReply::NetworkError error = reply->error();
    const Transfer transfer = error == QNetworkReply::NoError              ? Transfer::Whole
                              : error == QNetworkReply::ContentReSendError ? Transfer::BodyNotResent
                                                                           : Transfer::Broken;
    const AnswerOutcome outcome =
        abandoned ? AnswerOutcome::Failed : answerOutcome(status, !target.isEmpty(), transfer);
    reply->deleteLater();
    if (outcome == AnswerOutcome::Redirected && followRedirect(reply, status, target)) {
        return;
    }
    timeout_->stop();
    complete(outcome != AnswerOutcome::Accepted);
}

void TCppWebBrowser::complete(bool failed) {
    if (failed) {
        emit NavigateError();
    }
    emit DownloadComplete();
    emit DocumentComplete();
}
