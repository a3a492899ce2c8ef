#include "SingleInstance.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace valdmoor {

namespace {

constexpr char RaiseMessage[] = "raise";

// An abstract socket name (no file to go stale, no path length limit) derived from the
// per-user folder, so copies with different folders never meet.
socklen_t SocketAddress(const std::string& folder, sockaddr_un& address) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : folder) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                     "valdmoor-%016llx", static_cast<unsigned long long>(hash));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

} // namespace

TSingleInstance::~TSingleInstance() {
    if (socket_ >= 0) {
        close(socket_);
    }
    if (lock_ >= 0) {
        close(lock_);
    }
}

bool TSingleInstance::Acquire(const std::string& folder) {
    const std::string path = folder + "Instance.lock";
    lock_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ < 0) {
        return true;
    }
    sockaddr_un address{};
    const socklen_t length = SocketAddress(folder, address);
    if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        close(lock_);
        lock_ = -1;
        if (errno != EWOULDBLOCK) {
            return true;
        }
        const int client = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (client >= 0) {
            sendto(client, RaiseMessage, sizeof RaiseMessage - 1, MSG_DONTWAIT,
                   reinterpret_cast<const sockaddr*>(&address), length);
            close(client);
        }
        return false;
    }
    socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ >= 0 && bind(socket_, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(socket_);
        socket_ = -1;
    }
    return true;
}

bool TSingleInstance::TakeRaiseRequest() {
    if (socket_ < 0) {
        return false;
    }
    bool asked = false;
    char buffer[16];
    while (recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        asked = true;
    }
    return asked;
}

} // namespace valdmoor
