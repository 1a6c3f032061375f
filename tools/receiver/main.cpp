#include "ReceiverServer.h"

#include "platform/Error.h"
#include "platform/Users.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: orvexreg-receiver [--port N] [--db FILE] [--mode ok|error|silent] [--control]\n"
    "                         [--max-body-kib N] [--max-db-mib N]\n"
    "       orvexreg-receiver dump [--db FILE] [--raw ID]\n"
    "\n"
    "Receives registrations on 127.0.0.1 and records every POST (any path) with its\n"
    "headers and exact body bytes in a SQLite file.\n"
    "\n"
    "  --port N     port to listen on (default 8950; 0 picks a free one). The first line\n"
    "               on standard output is \"listening on 127.0.0.1:PORT\".\n"
    "  --db FILE    database (default $STATE_DIRECTORY/receiver.sqlite3 in a service with\n"
    "               a state folder, else $XDG_DATA_HOME/orvexreg/receiver.sqlite3)\n"
    "  --mode M     ok: answer 200 with a Big5 page; error: answer 500;\n"
    "               silent: record, then never answer (default ok)\n"
    "  --control    GET /_control/mode?set=ok|error|silent switches the mode while it\n"
    "               runs and GET /_control/mode shows it; these requests are not recorded\n"
    "  --max-body-kib N   a larger request body is answered 413 (default 64)\n"
    "  --max-db-mib N     a POST that would grow the database past N MiB is answered 507\n"
    "                     and not recorded (default 256; 0: no cap)\n"
    "\n"
    "Each connection carries one request. Its head must come within 15 s, its body at\n"
    "16 KiB/s after 10 s of grace; a connection that falls behind is closed. Malformed\n"
    "heads are answered 400, and requests from web pages (Origin, Referer) or naming\n"
    "another host than this receiver's address 403.\n"
    "\n"
    "Started by systemd through a socket unit (LISTEN_FDS, LISTEN_PID), it serves the\n"
    "socket handed over instead of listening itself, --port is then not used, and it ends\n"
    "after a minute without connections.\n"
    "\n"
    "dump prints every recorded POST with its body decoded from Big5; dump --raw ID\n"
    "writes the body bytes of one POST to standard output as they were received. Run by\n"
    "root, dump reads the system service's /var/lib/orvexreg-receiver/receiver.sqlite3\n"
    "when there is one.\n";

class UsageError : public Error {
public:
    using Error::Error;
};

struct Options {
    bool dump = false;
    bool control = false;
    quint16 port = 8950;
    qint64 maxBodyKib = 64;
    qint64 maxDbMib = 256;
    QString db;
    ReceiverMode mode = ReceiverMode::Ok;
    std::optional<qint64> raw;
};

Options parse(QStringList args) {
    Options o;
    if (!args.isEmpty() && args.front() == QStringLiteral("dump")) {
        o.dump = true;
        args.removeFirst();
    }
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        const auto value = [&] {
            if (i + 1 >= args.size()) {
                throw UsageError(QStringLiteral("%1 needs a value").arg(option));
            }
            return args[++i];
        };
        const auto number = [&](qint64 least, qint64 most) {
            const QString text = value();
            bool ok = false;
            const qint64 n = text.toLongLong(&ok);
            if (!ok || n < least || n > most) {
                throw UsageError(QStringLiteral("invalid %1 %2").arg(option, text));
            }
            return n;
        };
        if (option == QStringLiteral("--db")) {
            o.db = value();
        } else if (option == QStringLiteral("--port") && !o.dump) {
            const QString text = value();
            bool ok = false;
            const uint port = text.toUInt(&ok);
            if (!ok || port > 65535) {
                throw UsageError(QStringLiteral("invalid port %1").arg(text));
            }
            o.port = static_cast<quint16>(port);
        } else if (option == QStringLiteral("--mode") && !o.dump) {
            const QString text = value();
            const std::optional<ReceiverMode> mode = parseReceiverMode(text);
            if (!mode) {
                throw UsageError(QStringLiteral("invalid mode %1").arg(text));
            }
            o.mode = *mode;
        } else if (option == QStringLiteral("--control") && !o.dump) {
            o.control = true;
        } else if (option == QStringLiteral("--max-body-kib") && !o.dump) {
            o.maxBodyKib = number(1, 1024 * 1024);
        } else if (option == QStringLiteral("--max-db-mib") && !o.dump) {
            o.maxDbMib = number(0, 1024 * 1024 * 1024);
        } else if (option == QStringLiteral("--raw") && o.dump) {
            const QString text = value();
            bool ok = false;
            o.raw = text.toLongLong(&ok);
            if (!ok) {
                throw UsageError(QStringLiteral("invalid id %1").arg(text));
            }
        } else {
            throw UsageError(QStringLiteral("unknown argument %1").arg(option));
        }
    }
    if (o.db.isEmpty()) {
        o.db = o.dump && users::isRoot() && QFileInfo::exists(ReceiverStore::servicePath())
                   ? ReceiverStore::servicePath()
                   : ReceiverStore::defaultPath();
    }
    return o;
}

// A service manager that starts the receiver on the first connection hands its listening
// socket over as descriptor 3, naming this process in LISTEN_PID. The variables are removed
// so that nothing started later takes them for its own.
constexpr int kFirstInheritedFd = 3;
// Started that way, it ends after this long without connections; the socket stays with the
// service manager, which starts it again at the next one.
constexpr int kQuietExitMs = 60000;

bool inheritedListener() {
    const QByteArray pid = qgetenv("LISTEN_PID");
    const QByteArray fds = qgetenv("LISTEN_FDS");
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    bool ok = false;
    if (pid.toLongLong(&ok) != QCoreApplication::applicationPid() || !ok) {
        return false;
    }
    const int count = fds.toInt(&ok);
    if (!ok || count < 0 || count > 1) {
        throw Error(QStringLiteral("LISTEN_FDS must name one socket, not \"%1\"")
                        .arg(QString::fromLatin1(fds)));
    }
    return count == 1;
}

int dump(const Options& o) {
    // Run by root, SQLite gives the journal files it makes to the database's owner, so the
    // service can still open them.
    ReceiverStore store(o.db, false);
    if (o.raw) {
        const std::optional<RecordedPost> post = store.find(*o.raw);
        if (!post) {
            throw Error(QStringLiteral("no post with id %1 in %2").arg(*o.raw).arg(o.db));
        }
        std::fwrite(post->body.constData(), 1, static_cast<size_t>(post->body.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QTextStream out(stdout);
    bool first = true;
    for (const RecordedPost& post : store.all()) {
        if (!first) {
            out << '\n';
        }
        first = false;
        out << formatPost(post);
    }
    out.flush();
    return 0;
}

int serve(const Options& o) {
    QTextStream err(stderr);
    ReceiverStore store(o.db);
    store.setMaxSize(o.maxDbMib * 1024 * 1024);
    ReceiverLimits limits;
    limits.setMaxBody(o.maxBodyKib * 1024);
    ReceiverServer server(store, o.mode, limits);
    server.setControlEnabled(o.control);
    if (inheritedListener()) {
        if (!server.adopt(kFirstInheritedFd)) {
            throw Error(QStringLiteral("descriptor %1, handed over by LISTEN_FDS: %2")
                            .arg(kFirstInheritedFd)
                            .arg(server.errorString()));
        }
        server.setQuietInterval(kQuietExitMs);
        QObject::connect(&server, &ReceiverServer::quiet, [&err] {
            err << "no connection for a minute; ending\n";
            err.flush();
            QCoreApplication::quit();
        });
    } else if (!server.listen(o.port)) {
        throw Error(QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                        .arg(o.port)
                        .arg(server.errorString()));
    }
    QObject::connect(&server, &ReceiverServer::recorded, [&store, &err](qint64 id) {
        // A second read keeps the signal small; posts are few. The path comes from the network,
        // so it is streamed, never put through a format string, and its controls are escaped.
        if (const std::optional<RecordedPost> post = store.find(id)) {
            err << u'#' << id << u' ' << escapeControls(post->method) << u' '
                << escapeControls(post->path) << ", " << post->body.size() << " bytes\n";
            err.flush();
        }
    });
    QObject::connect(&server, &ReceiverServer::modeChanged, [&err](ReceiverMode mode) {
        err << QStringLiteral("mode %1\n").arg(receiverModeName(mode));
        err.flush();
    });
    const auto complain = [&err](const QString& message) {
        err << QStringLiteral("orvexreg-receiver: %1\n").arg(escapeControls(message));
        err.flush();
    };
    QObject::connect(&server, &ReceiverServer::storeFailed, complain);
    QObject::connect(&server, &ReceiverServer::libraryMessage, complain);
    err << QStringLiteral("recording into %1, mode %2\n").arg(o.db, receiverModeName(o.mode));
    err.flush();
    QTextStream out(stdout);
    out << "listening on " << server.address() << u':' << server.port() << u'\n';
    out.flush();
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        const Options o = parse(args);
        return o.dump ? dump(o) : serve(o);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "orvexreg-receiver: %s\nTry 'orvexreg-receiver --help'.\n", e.what());
        return 2;
    } catch (const Error& e) {
        std::fprintf(stderr, "orvexreg-receiver: %s\n", e.what());
        return 1;
    }
}
