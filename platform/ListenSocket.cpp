#include "platform/ListenSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace listensocket {

int openLoopback(quint16 port, QString& error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    // A restarted server takes its port back at once, past connections still closing.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<Endpoint> endpoint(int descriptor) {
    int value = 0;
    socklen_t size = sizeof value;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_ACCEPTCONN, &value, &size) != 0 || value == 0) {
        return std::nullopt;
    }
    size = sizeof value;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &value, &size) != 0 || value != SOCK_STREAM) {
        return std::nullopt;
    }
    sockaddr_storage addr{};
    socklen_t length = sizeof addr;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        (addr.ss_family != AF_INET && addr.ss_family != AF_INET6)) {
        return std::nullopt;
    }
    const bool v4 = addr.ss_family == AF_INET;
    const auto* in4 = reinterpret_cast<const sockaddr_in*>(&addr);
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
    char host[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(addr.ss_family, v4 ? static_cast<const void*>(&in4->sin_addr) : &in6->sin6_addr,
                host, sizeof host);
    return Endpoint{QString::fromLatin1(host), ntohs(v4 ? in4->sin_port : in6->sin6_port)};
}

void close(int descriptor) {
    ::close(descriptor);
}

}  // namespace listensocket
