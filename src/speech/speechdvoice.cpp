// speech-dispatcher behind the SAPI 5 voice: the connection, the command thread and the
// callbacks.
#include "speech/speechdvoice.h"

#include "common/text.h"
#include "common/tov_error.h"

#include <speech-dispatcher/libspeechd.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace tov::speech::speechd {
namespace {

using namespace std::chrono_literals;

constexpr const char* kClientName = "tovana";
constexpr const char* kConnectionName = "speech";
constexpr int kAutospawn = 1;
// How long the end of the program waits for a command the service is still answering.
constexpr auto kShutdownGrace = 500ms;
// How long the service may take to answer the probe before it counts as unreachable: a
// wedged service accepts the connection and never answers.
constexpr auto kAnswerBound = 3s;

// How the service is to read a text: as it stands, or as SSML (a key's name).
enum class Markup { Text, Ssml };
// Whether queueing a command first drops the texts that wait to be sent.
enum class Purge { No, Yes };
// Whether a failed command leaves a stream that must be reported as ended.
enum class StreamEnds { No, Yes };

struct Command {
    enum class Kind { Connect, Speak, Cancel, Interests } kind;
    std::string utf8{};
    Markup markup = Markup::Text;
    int32_t interests = 0;
};

// What the voice, its command thread and the callbacks share. The thread holds its own
// reference, so a thread left behind by a hung service still has what it touches.
struct Shared {
    Shared(GuiPoster& p, std::weak_ptr<sapi5::VoiceEvents> e) : poster(p), events(std::move(e)) {}

    GuiPoster& poster;
    const std::weak_ptr<sapi5::VoiceEvents> events;

    std::mutex lock; //: guards the fields below
    std::condition_variable wake;
    std::deque<Command> commands;
    bool stopping = false;  //: the thread ends after the command in hand
    bool abandoned = false; //: the voice is gone: post nothing more (the poster may be too)
    bool finished = false;  //: the thread has closed the connection and ended

    // The command thread's own, once it runs.
    SPDConnection* connection = nullptr;
    size_t clientId = 0;
    SPDDataMode mode = SPD_DATA_TEXT;
    int32_t interests = 0;

    // Posts to the GUI thread unless the voice is gone. Any thread.
    template <typename Call>
    void postEvent(Call call)
    {
        const std::lock_guard guard(lock);
        if (!abandoned) {
            poster.post([events = events, call = std::move(call)] {
                if (const auto alive = events.lock()) {
                    call(*alive);
                }
            });
        }
    }
};

// Connections by the client id the service gave them, for the callbacks, which carry
// nothing else. Never destroyed: a callback may still run while the process ends.
struct Registry {
    std::mutex lock;
    std::map<size_t, std::weak_ptr<Shared>> byClient;
};

Registry& registry()
{
    static Registry* const r = new Registry;
    return *r;
}

void onEvent(size_t messageId, size_t clientId, SPDNotificationType type)
{
    Registry& r = registry();
    const std::lock_guard guard(r.lock);
    const auto it = r.byClient.find(clientId);
    if (it == r.byClient.end()) {
        return;
    }
    const auto shared = it->second.lock();
    if (shared == nullptr) {
        return;
    }
    const auto stream = static_cast<int32_t>(messageId);
    switch (type) {
    case SPD_EVENT_BEGIN:
        shared->postEvent([stream](sapi5::VoiceEvents& e) { e.startStream(stream); });
        break;
    case SPD_EVENT_END:
    case SPD_EVENT_CANCEL:
        shared->postEvent([stream](sapi5::VoiceEvents& e) { e.endStream(stream); });
        break;
    default:
        break;
    }
}

void applyInterests(SPDConnection* connection, int32_t interests)
{
    const auto set = [connection](bool on, SPDNotification which) {
        on ? spd_set_notification_on(connection, which)
           : spd_set_notification_off(connection, which);
    };
    set((interests & sapi5::SVEStartInputStream) != 0, SPD_BEGIN);
    set((interests & sapi5::SVEEndInputStream) != 0, SPD_END);
    set((interests & sapi5::SVEEndInputStream) != 0, SPD_CANCEL);
}

// What the probe found where the service should be.
enum class Found { Service, Nothing };

// A socket descriptor closed on every path.
class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

[[noreturn]] void unreachable(const std::string& reason)
{
    throw TovError(text::fromUtf8("speech-dispatcher: " + reason));
}

// Connects without blocking past the deadline. Returns false when nothing listens.
bool connectBounded(int fd, const sockaddr* address, socklen_t length, Clock::time_point deadline)
{
    if (::connect(fd, address, length) == 0) {
        return true;
    }
    if (errno == ENOENT || errno == ECONNREFUSED) {
        return false;
    }
    if (errno != EINPROGRESS && errno != EAGAIN) {
        unreachable(std::strerror(errno));
    }
    pollfd wait{fd, POLLOUT, 0};
    if (::poll(&wait, 1, remainingMs(deadline)) <= 0) {
        unreachable("no answer to the connection");
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error == ECONNREFUSED || error == ENOENT) {
        return false;
    }
    if (error != 0) {
        unreachable(std::strerror(error));
    }
    return true;
}

// Reads the answer to HELP: lines of three digits and "-" go on, three digits and a space
// end it. Anything else is not the service's protocol.
void expectProtocolAnswer(int fd, Clock::time_point deadline)
{
    constexpr size_t kLongestAnswer = 64 * 1024;
    std::string received;
    size_t lineStart = 0;
    while (true) {
        const size_t end = received.find("\r\n", lineStart);
        if (end != std::string::npos) {
            const std::string_view line(received.data() + lineStart, end - lineStart);
            const bool digits = line.size() >= 4 &&
                                std::isdigit(static_cast<unsigned char>(line[0])) &&
                                std::isdigit(static_cast<unsigned char>(line[1])) &&
                                std::isdigit(static_cast<unsigned char>(line[2]));
            if (!digits || (line[3] != '-' && line[3] != ' ')) {
                unreachable("the answer is not speech-dispatcher's protocol");
            }
            if (line[3] == ' ') {
                return;
            }
            lineStart = end + 2;
            continue;
        }
        if (received.size() > kLongestAnswer) {
            unreachable("the answer is not speech-dispatcher's protocol");
        }
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, remainingMs(deadline)) <= 0) {
            unreachable(
                "no answer within " +
                std::to_string(
                    std::chrono::duration_cast<std::chrono::seconds>(kAnswerBound).count()) +
                " s");
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            unreachable(n == 0 ? "the connection was closed" : std::strerror(errno));
        }
        received.append(buffer, static_cast<size_t>(n));
    }
}

// Asks the service at `address` for its help text before libspeechd may talk to it:
// libspeechd waits forever for a service that never answers and ends the process on an
// answer it cannot parse. Throws TovError with the reason when the service is there but
// broken.
Found probe(const SPDConnectionAddress& address)
{
    const auto deadline = Clock::now() + kAnswerBound;
    std::optional<Socket> socket;
    if (address.method == SPD_METHOD_UNIX_SOCKET) {
        if (address.unix_socket_name == nullptr) {
            return Found::Nothing;
        }
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        if (std::strlen(address.unix_socket_name) >= sizeof where.sun_path) {
            unreachable("the socket's path is too long");
        }
        std::strcpy(where.sun_path, address.unix_socket_name);
        socket.emplace(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (socket->fd() < 0 ||
            !connectBounded(socket->fd(), reinterpret_cast<const sockaddr*>(&where), sizeof where,
                            deadline)) {
            return Found::Nothing;
        }
    } else {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string port = std::to_string(address.inet_socket_port);
        const char* host =
            address.inet_socket_host != nullptr ? address.inet_socket_host : "127.0.0.1";
        if (::getaddrinfo(host, port.c_str(), &hints, &found) != 0 || found == nullptr) {
            unreachable(std::string("cannot find the host ") + host);
        }
        const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, ::freeaddrinfo);
        socket.emplace(::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                found->ai_protocol));
        if (socket->fd() < 0 ||
            !connectBounded(socket->fd(), found->ai_addr, found->ai_addrlen, deadline)) {
            return Found::Nothing;
        }
    }
    constexpr std::string_view kHelp = "HELP\r\n";
    if (::send(socket->fd(), kHelp.data(), kHelp.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(kHelp.size())) {
        unreachable(std::strerror(errno));
    }
    expectProtocolAnswer(socket->fd(), deadline);
    constexpr std::string_view kQuit = "QUIT\r\n";
    ::send(socket->fd(), kQuit.data(), kQuit.size(), MSG_NOSIGNAL);
    return Found::Service;
}

// Opens a connection for `shared` and registers it for the callbacks. Throws TovError.
void open(const std::shared_ptr<Shared>& shared)
{
    char* error = nullptr;
    SPDConnectionAddress* const address = spd_get_default_address(&error);
    std::free(error);
    error = nullptr;
    const std::unique_ptr<SPDConnectionAddress, decltype(&SPDConnectionAddress__free)> owned(
        address, SPDConnectionAddress__free);
    // Only a service that is not there yet may be spawned; one that is there must first
    // have answered like speech-dispatcher. A spawned service listens where the system
    // puts it, so an address the user named (SPEECHD_ADDRESS) is never spawned for.
    const Found found = address != nullptr ? probe(*address) : Found::Nothing;
    const bool namedAddress = std::getenv("SPEECHD_ADDRESS") != nullptr;
    const int autospawn = found == Found::Nothing && !namedAddress ? kAutospawn : 0;
    SPDConnection* const connection = spd_open2(kClientName, kConnectionName, nullptr,
                                                SPD_MODE_THREADED, address, autospawn, &error);
    if (connection == nullptr) {
        std::string reason = error != nullptr ? error : "no reason given";
        std::free(error);
        unreachable(reason);
    }
    std::free(error);
    const int clientId = spd_get_client_id(connection);
    connection->callback_begin = onEvent;
    connection->callback_end = onEvent;
    connection->callback_cancel = onEvent;
    {
        Registry& r = registry();
        const std::lock_guard guard(r.lock);
        r.byClient[static_cast<size_t>(clientId)] = shared;
    }
    shared->connection = connection;
    shared->clientId = static_cast<size_t>(clientId);
    shared->mode = SPD_DATA_TEXT;
    applyInterests(connection, shared->interests);
}

void close(Shared& shared)
{
    if (shared.connection == nullptr) {
        return;
    }
    {
        Registry& r = registry();
        const std::lock_guard guard(r.lock);
        r.byClient.erase(shared.clientId);
    }
    spd_close(shared.connection);
    shared.connection = nullptr;
}

// A failed command: the service is given up until the next command connects again.
void fail(Shared& shared, const std::string& text, StreamEnds endsStream)
{
    close(shared);
    shared.postEvent([text](sapi5::VoiceEvents& e) { e.failed(text); });
    if (endsStream == StreamEnds::Yes) {
        shared.postEvent([](sapi5::VoiceEvents& e) { e.endStream(0); });
    }
}

void execute(const std::shared_ptr<Shared>& shared, const Command& command)
{
    Shared& s = *shared;
    if (command.kind == Command::Kind::Interests) {
        s.interests = command.interests;
    }
    if (s.connection == nullptr) {
        try {
            open(shared);
        } catch (const TovError& error) {
            fail(s, error.what(),
                 command.kind == Command::Kind::Speak ? StreamEnds::Yes : StreamEnds::No);
            return;
        }
    }
    switch (command.kind) {
    case Command::Kind::Connect:
        break;
    case Command::Kind::Interests:
        applyInterests(s.connection, s.interests);
        break;
    case Command::Kind::Cancel:
        if (spd_cancel(s.connection) != 0) {
            fail(s, "speech-dispatcher did not stop speaking", StreamEnds::No);
        }
        break;
    case Command::Kind::Speak: {
        const SPDDataMode wanted = command.markup == Markup::Ssml ? SPD_DATA_SSML : SPD_DATA_TEXT;
        if (wanted != s.mode) {
            if (spd_set_data_mode(s.connection, wanted) != 0) {
                fail(s, "speech-dispatcher did not take the text", StreamEnds::Yes);
                return;
            }
            s.mode = wanted;
        }
        if (spd_say(s.connection, SPD_MESSAGE, command.utf8.c_str()) < 0) {
            fail(s, "speech-dispatcher did not take the text", StreamEnds::Yes);
        }
        break;
    }
    }
}

void run(std::shared_ptr<Shared> shared)
{
    while (true) {
        Command command;
        {
            std::unique_lock guard(shared->lock);
            shared->wake.wait(guard, [&] { return shared->stopping || !shared->commands.empty(); });
            if (shared->stopping) {
                break;
            }
            command = std::move(shared->commands.front());
            shared->commands.pop_front();
        }
        execute(shared, command);
    }
    close(*shared);
    {
        const std::lock_guard guard(shared->lock);
        shared->finished = true;
    }
    shared->wake.notify_all();
}

class SpeechDispatcherVoice final : public sapi5::ISpeechVoice {
public:
    SpeechDispatcherVoice(GuiPoster& poster, std::weak_ptr<sapi5::VoiceEvents> events)
        : shared_(std::make_shared<Shared>(poster, std::move(events)))
    {
        // The connection is the command thread's first job: spawning the service takes
        // about a second and a wedged one never answers, and the GUI thread waits for
        // neither. A failure arrives as the voice's failed event.
        thread_ = std::thread(run, shared_);
        queue({.kind = Command::Kind::Connect}, Purge::No);
    }

    ~SpeechDispatcherVoice() override
    {
        {
            const std::lock_guard guard(shared_->lock);
            shared_->stopping = true;
            shared_->abandoned = true;
            shared_->commands.clear();
        }
        {
            // The client id is the thread's (a reconnection changes it): find the entry by owner.
            Registry& r = registry();
            const std::lock_guard guard(r.lock);
            std::erase_if(r.byClient, [this](const auto& entry) {
                const auto owner = entry.second.lock();
                return owner == nullptr || owner == shared_;
            });
        }
        shared_->wake.notify_all();
        std::unique_lock guard(shared_->lock);
        if (shared_->wake.wait_for(guard, kShutdownGrace, [this] { return shared_->finished; })) {
            guard.unlock();
            thread_.join();
        } else {
            // The service hangs in a call; the thread keeps what it needs and ends with it.
            thread_.detach();
        }
    }

    SpeechDispatcherVoice(const SpeechDispatcherVoice&) = delete;
    SpeechDispatcherVoice& operator=(const SpeechDispatcherVoice&) = delete;

    void setEventInterests(int32_t interests) override
    {
        queue({.kind = Command::Kind::Interests, .interests = interests}, Purge::No);
    }

    void Speak(const std::string& utf8, int32_t flags) override
    {
        if ((flags & sapi5::SVSFPurgeBeforeSpeak) != 0) {
            queue({.kind = Command::Kind::Cancel}, Purge::Yes);
        }
        if (!utf8.empty()) {
            const Markup markup = (flags & sapi5::SVSFIsXML) != 0 ? Markup::Ssml : Markup::Text;
            queue({.kind = Command::Kind::Speak, .utf8 = utf8, .markup = markup}, Purge::No);
        }
    }

private:
    // Purge::Yes drops the texts not yet sent first; their streams end as cancelled ones do.
    void queue(Command command, Purge purge)
    {
        {
            const std::lock_guard guard(shared_->lock);
            if (purge == Purge::Yes) {
                for (const Command& waiting : shared_->commands) {
                    if (waiting.kind == Command::Kind::Speak) {
                        shared_->poster.post([events = shared_->events] {
                            if (const auto alive = events.lock()) {
                                alive->endStream(0);
                            }
                        });
                    }
                }
                std::erase_if(shared_->commands,
                              [](const Command& c) { return c.kind == Command::Kind::Speak; });
            }
            shared_->commands.push_back(std::move(command));
        }
        shared_->wake.notify_all();
    }

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace

std::unique_ptr<sapi5::ISpeechVoice> connect(GuiPoster& poster,
                                             std::weak_ptr<sapi5::VoiceEvents> events)
{
    return std::make_unique<SpeechDispatcherVoice>(poster, std::move(events));
}

sapi5::TSpVoice::Connector connector(GuiPoster& poster)
{
    return [&poster](std::weak_ptr<sapi5::VoiceEvents> events) {
        return connect(poster, std::move(events));
    };
}

} // namespace tov::speech::speechd
