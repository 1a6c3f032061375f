#include "PrivateSpooler.h"

#include <cups/cups.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <memory>

namespace {

// Debian's place of cupsd's helpers; the private spooler borrows all but the backends.
const QString kSystemServerBin = QStringLiteral("/usr/lib/cups");
const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kBackend = QStringLiteral(ORVEX_SOURCE_DIR "/tests/support/spooler/orvex-test");

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

QByteArray printerUri(const QString& name) {
    return "ipp://localhost/printers/" + name.toUtf8();
}

Ipp request(ipp_op_t operation, const char* uriName, const QByteArray& uri) {
    ipp_t* r = ippNewRequest(operation);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, uriName, nullptr, uri.constData());
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return Ipp(r);
}

// The answer to the request on a connection of its own; null when cupsd did not answer.
Ipp ask(const QString& server, Ipp r, const char* resource) {
    http_t* http = httpConnect2(QFile::encodeName(server).constData(), 0, nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (http == nullptr) {
        return nullptr;
    }
    Ipp answer(cupsDoRequest(http, r.release(), resource));
    httpClose(http);
    return answer;
}

bool succeeded(const Ipp& answer) {
    return answer != nullptr && ippGetStatusCode(answer.get()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

QString userLine(const char* directive, const QString& name) {
    return QString::fromLatin1(directive) + u' ' + name + u'\n';
}

}  // namespace

PrivateSpooler::PrivateSpooler()
    // A socket's path has room for 107 bytes: a long TMPDIR must not spill over it.
    : dir_(QDir::tempPath().size() < 60 ? QDir::tempPath() + QStringLiteral("/orvex-spooler-XXXXXX")
                                        : QStringLiteral("/tmp/orvex-spooler-XXXXXX")),
      root_(dir_.path()) {
    hadServer_ = qEnvironmentVariableIsSet("CUPS_SERVER");
    oldServer_ = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", QFile::encodeName(server()));
    for (const char* sub : {"etc", "spool/tmp", "cache", "state", "log", "bin/backend", "output"}) {
        QDir().mkpath(path(QString::fromLatin1(sub)));
    }
    for (const char* sub : {"daemon", "filter", "notifier"}) {
        QFile::link(kSystemServerBin + u'/' + QString::fromLatin1(sub),
                    path(QStringLiteral("bin/") + QString::fromLatin1(sub)));
    }
    // Owner only: a backend that others may not run is run as the spooler's own user, root
    // included, so it can write the output folder whoever the test runs as.
    const QString backend = path(QStringLiteral("bin/backend/orvex-test"));
    QFile::copy(kBackend, backend);
    QFile::setPermissions(backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    cupsd_.setProgram(kCupsd);
    cupsd_.setArguments({QStringLiteral("-f"), QStringLiteral("-c"),
                         path(QStringLiteral("etc/cupsd.conf")), QStringLiteral("-s"),
                         path(QStringLiteral("etc/cups-files.conf"))});
    cupsd_.setStandardOutputFile(path(QStringLiteral("log/cupsd.out")), QIODevice::Append);
    cupsd_.setStandardErrorFile(path(QStringLiteral("log/cupsd.out")), QIODevice::Append);
    const pid_t parent = ::getpid();
    cupsd_.setChildProcessModifier([parent] {
        // A test that dies takes its spooler with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(1);
        }
    });
}

PrivateSpooler::~PrivateSpooler() {
    stop();
    if (hadServer_) {
        qputenv("CUPS_SERVER", oldServer_);
    } else {
        qunsetenv("CUPS_SERVER");
    }
}

bool PrivateSpooler::available() {
    return QFileInfo(kCupsd).isExecutable() &&
           QFileInfo(kSystemServerBin + QStringLiteral("/daemon/cups-exec")).isExecutable();
}

QString PrivateSpooler::server() const {
    return path(QStringLiteral("cups.sock"));
}

bool PrivateSpooler::writeConfig() const {
    QString conf = QStringLiteral(
        "Listen %1\n"
        "LogLevel debug\n"
        "WebInterface No\n"
        "Browsing No\n"
        "DefaultAuthType None\n"
        "PreserveJobHistory %2\n"
        "<Location />\n"
        "  Order allow,deny\n"
        "  Allow all\n"
        "</Location>\n"
        "<Policy default>\n"
        "  <Limit All>\n"
        "    Order deny,allow\n"
        "  </Limit>\n"
        "</Policy>\n");
    conf = conf.arg(server(), preserveHistory_ ? QStringLiteral("Yes") : QStringLiteral("No"));
    QString files = QStringLiteral(
                        "ServerRoot %1/etc\n"
                        "ServerBin %1/bin\n"
                        "RequestRoot %1/spool\n"
                        "TempDir %1/spool/tmp\n"
                        "CacheDir %1/cache\n"
                        "StateDir %1/state\n"
                        "AccessLog %1/log/access_log\n"
                        "ErrorLog %1/log/error_log\n"
                        "PageLog %1/log/page_log\n"
                        "SetEnv ORVEX_TEST_OUTPUT %1/output\n")
                        .arg(root_);
    if (::geteuid() != 0) {
        // Not root, cupsd cannot become lp: its children run as the test's user, named here.
        const passwd* user = ::getpwuid(::geteuid());
        const group* grp = ::getgrgid(::getegid());
        if (user == nullptr || grp == nullptr) {
            return false;
        }
        files += userLine("User", QString::fromLocal8Bit(user->pw_name));
        files += userLine("Group", QString::fromLocal8Bit(grp->gr_name));
        files += userLine("SystemGroup", QString::fromLocal8Bit(grp->gr_name));
    }
    for (const auto& [name, text] : {std::pair{QStringLiteral("etc/cupsd.conf"), conf},
                                     std::pair{QStringLiteral("etc/cups-files.conf"), files}}) {
        QFile file(path(name));
        const QByteArray bytes = text.toUtf8();
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            return false;
        }
    }
    return true;
}

bool PrivateSpooler::start() {
    if (running()) {
        return true;
    }
    if (!dir_.isValid() || !writeConfig()) {
        qWarning("private spooler: cannot write its folder %s", qPrintable(root_));
        return false;
    }
    cupsd_.start();
    if (!cupsd_.waitForStarted()) {
        qWarning("private spooler: cannot start %s", qPrintable(kCupsd));
        return false;
    }
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (cupsd_.state() != QProcess::Running) {
            break;
        }
        if (answers()) {
            return true;
        }
        QThread::msleep(20);
    }
    QFile said(path(QStringLiteral("log/cupsd.out")));
    QFile log(path(QStringLiteral("log/error_log")));
    said.open(QIODevice::ReadOnly);
    log.open(QIODevice::ReadOnly);
    qWarning("private spooler: cupsd did not come up:\n%s\n%s", said.readAll().constData(),
             log.readAll().right(4000).constData());
    stop();
    return false;
}

void PrivateSpooler::stop() {
    if (cupsd_.state() == QProcess::NotRunning) {
        return;
    }
    cupsd_.terminate();
    if (!cupsd_.waitForFinished(15000)) {
        cupsd_.kill();
        cupsd_.waitForFinished(5000);
    }
}

bool PrivateSpooler::restart() {
    stop();
    return start();
}

bool PrivateSpooler::running() const {
    return cupsd_.state() == QProcess::Running;
}

bool PrivateSpooler::addQueue(const QString& name, const QString& deviceUri, ErrorPolicy policy) {
    static const char* const policies[] = {"retry-job", "stop-printer", "abort-job",
                                           "retry-current-job"};
    Ipp r = request(IPP_OP_CUPS_ADD_MODIFY_PRINTER, "printer-uri", printerUri(name));
    ippAddString(r.get(), IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                 deviceUri.toUtf8().constData());
    ippAddString(r.get(), IPP_TAG_PRINTER, IPP_TAG_NAME, "ppd-name", nullptr, "raw");
    ippAddString(r.get(), IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-error-policy", nullptr,
                 policies[static_cast<int>(policy)]);
    ippAddBoolean(r.get(), IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(r.get(), IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
    if (!succeeded(ask(server(), std::move(r), "/admin/"))) {
        qWarning("private spooler: cannot add %s: %s", qPrintable(name), cupsLastErrorString());
        return false;
    }
    return true;
}

bool PrivateSpooler::setPrinter(int operation, const QString& name) const {
    Ipp r = request(static_cast<ipp_op_t>(operation), "printer-uri", printerUri(name));
    return succeeded(ask(server(), std::move(r), "/admin/"));
}

bool PrivateSpooler::disable(const QString& name) {
    return setPrinter(IPP_OP_PAUSE_PRINTER, name);
}

bool PrivateSpooler::reject(const QString& name) {
    return setPrinter(IPP_OP_CUPS_REJECT_JOBS, name);
}

bool PrivateSpooler::setPreserveJobHistory(bool on) {
    preserveHistory_ = on;
    return running() ? restart() : writeConfig();
}

int PrivateSpooler::jobState(int id) const {
    Ipp r = request(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri",
                    "ipp://localhost/jobs/" + QByteArray::number(id));
    const Ipp answer = ask(server(), std::move(r), "/");
    if (answer == nullptr) {
        return -1;
    }
    return succeeded(answer)
               ? ippGetInteger(ippFindAttribute(answer.get(), "job-state", IPP_TAG_ENUM), 0)
               : 0;
}

// Any answer, even "no such printer", tells that cupsd is up.
bool PrivateSpooler::answers() const {
    return ask(server(), request(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", printerUri("-")),
               "/") != nullptr;
}

QList<QByteArray> PrivateSpooler::documents(int job) const {
    QList<QByteArray> out;
    for (int n = 1;; ++n) {
        QFile file(path(QStringLiteral("output/%1-%2").arg(job).arg(n)));
        if (!file.open(QIODevice::ReadOnly)) {
            return out;
        }
        out.append(file.readAll());
    }
}
