#pragma once

#include <QByteArray>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// The embedded browser of the windows: shows local HTML pages (Big5 pages included) and
// sends one HTTP POST. Every navigation ends with its events on the GUI thread, later than
// the call: NavigateError first when it failed, then DownloadComplete and DocumentComplete.
class TCppWebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit TCppWebBrowser(QWidget* parent = nullptr);

    // A local HTML file by its full path. A missing file shows a short error page.
    void Navigate(const QString& path);
    // One POST of exactly these bytes; headerText holds header lines ("Name: value\r\n").
    void Navigate(const QString& address, const QByteArray& postData, const QByteArray& headerText);

    // The file or address of the last navigation.
    const QString& LocationURL() const { return location_; }

    // How long a POST may wait for its answer; 30 s unless a test shortens it.
    static int transferTimeoutMs();
    static void setTransferTimeoutMs(int ms);

    // Decodes an HTML page by the charset it declares (Big5 pages by CP950).
    static QString decodePage(const QByteArray& bytes);

    // A page's pictures on a dense screen come from their 2x files, at the screen's ratio.
    QVariant loadResource(int type, const QUrl& name) override;

signals:
    void DocumentComplete();
    void DownloadComplete();
    void NavigateError();

private:
    void cancelPost();
    void showLocal(const QString& path);
    void linkClicked(const QUrl& url);
    void send(const QUrl& url, bool post);
    bool followRedirect(QNetworkReply* reply, int status, const QUrl& target);
    void finishPost(QNetworkReply* reply, bool abandoned);
    void complete(bool failed);

    QNetworkAccessManager* network_ = nullptr;
    QNetworkReply* reply_ = nullptr;
    QTimer* timeout_ = nullptr;
    QString location_;
    QByteArray postData_;
    QByteArray headerText_;
    bool posting_ = false;
    int redirects_ = 0;
    quint64 navigation_ = 0;
};
