// A broken speech service on a socket of the test's own, for the cases a real one never
// shows on demand: it accepts every connection, then never answers (wedged) or answers
// with bytes that are not the protocol (garbage). It counts the connections it accepted.
#pragma once

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

namespace tov::testing {

class BrokenService {
public:
    enum class Kind { Wedged, Garbage };

    BrokenService(const std::filesystem::path& socket, Kind kind) : kind_(kind)
    {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        std::strncpy(where.sun_path, socket.c_str(), sizeof where.sun_path - 1);
        if (::bind(listener_, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
            ::listen(listener_, 8) != 0 || ::pipe(stop_) != 0) {
            ADD_FAILURE() << "cannot listen on " << socket;
            return;
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~BrokenService()
    {
        if (thread_.joinable()) {
            const char byte = 0;
            (void)!::write(stop_[1], &byte, 1);
            thread_.join();
        }
        for (const int fd : accepted_) {
            ::close(fd);
        }
        for (const int fd : {listener_, stop_[0], stop_[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    BrokenService(const BrokenService&) = delete;
    int connections() const { return connections_.load(); }
    BrokenService& operator=(const BrokenService&) = delete;

private:
    void serve()
    {
        while (true) {
            pollfd wait[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(wait, 2, -1) < 0 || (wait[1].revents & POLLIN) != 0) {
                return;
            }
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) {
                continue;
            }
            accepted_.push_back(client); // held open: a wedged service never lets go
            ++connections_;
            if (kind_ == Kind::Garbage) {
                char request[256];
                (void)!::read(client, request, sizeof request);
                constexpr std::string_view kNoise = "hello, this is no protocol\r\n";
                (void)!::write(client, kNoise.data(), kNoise.size());
            }
        }
    }

    const Kind kind_;
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    std::vector<int> accepted_;
    std::atomic<int> connections_{0};
    std::thread thread_;
};

} // namespace tov::testing
