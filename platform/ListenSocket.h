#pragma once

#include <QString>
#include <optional>

// Listening TCP sockets for a server that runs on its own or under a service manager.
namespace listensocket {

struct Endpoint {
    QString address;
    quint16 port = 0;
};

// A socket listening on 127.0.0.1 at port (0 picks a free one); -1 with error set when the
// port cannot be had.
int openLoopback(quint16 port, QString& error);

// Where a socket listens; nullopt when the descriptor is no listening TCP socket.
std::optional<Endpoint> endpoint(int descriptor);

void close(int descriptor);

}  // namespace listensocket
