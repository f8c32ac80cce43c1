// speech-dispatcher behind the SAPI 5 voice: the connection, the command thread and the
// callbacks.
#include "speech/speechdvoice.h"

#include "common/text.h"
#include "common/tov_error.h"

#include <speech-dispatcher/libspeechd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace tov::speech::speechd {
namespace {

using namespace std::chrono_literals;

constexpr const char* kClientName = "tovana";
constexpr const char* kConnectionName = "speech";
constexpr int kAutospawn = 1;
// How long the end of the program waits for a command the service is still answering.
constexpr auto kShutdownGrace = 500ms;

struct Command {
    enum class Kind { Speak, Cancel, Interests } kind;
    std::string utf8;
    bool ssml = false;
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

// Opens a connection for `shared` and registers it for the callbacks. Throws TovError.
void open(const std::shared_ptr<Shared>& shared)
{
    char* error = nullptr;
    SPDConnection* const connection = spd_open2(kClientName, kConnectionName, nullptr,
                                                SPD_MODE_THREADED, nullptr, kAutospawn, &error);
    if (connection == nullptr) {
        std::string reason = error != nullptr ? error : "no reason given";
        std::free(error);
        throw TovError(text::fromUtf8("speech-dispatcher could not be reached: " + reason));
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
void fail(Shared& shared, const std::string& text, bool endsStream)
{
    close(shared);
    shared.postEvent([text](sapi5::VoiceEvents& e) { e.failed(text); });
    if (endsStream) {
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
            fail(s, error.what(), command.kind == Command::Kind::Speak);
            return;
        }
    }
    switch (command.kind) {
    case Command::Kind::Interests:
        applyInterests(s.connection, s.interests);
        break;
    case Command::Kind::Cancel:
        if (spd_cancel(s.connection) != 0) {
            fail(s, "speech-dispatcher did not stop speaking", false);
        }
        break;
    case Command::Kind::Speak: {
        const SPDDataMode wanted = command.ssml ? SPD_DATA_SSML : SPD_DATA_TEXT;
        if (wanted != s.mode) {
            if (spd_set_data_mode(s.connection, wanted) != 0) {
                fail(s, "speech-dispatcher did not take the text", true);
                return;
            }
            s.mode = wanted;
        }
        if (spd_say(s.connection, SPD_MESSAGE, command.utf8.c_str()) < 0) {
            fail(s, "speech-dispatcher did not take the text", true);
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
        open(shared_); // on the caller's thread, so a failure is raised here
        thread_ = std::thread(run, shared_);
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
        queue({Command::Kind::Interests, {}, false, interests}, false);
    }

    void Speak(const std::string& utf8, int32_t flags) override
    {
        const bool purge = (flags & sapi5::SVSFPurgeBeforeSpeak) != 0;
        if (purge) {
            queue({Command::Kind::Cancel, {}, false, 0}, true);
        }
        if (!utf8.empty()) {
            queue({Command::Kind::Speak, utf8, (flags & sapi5::SVSFIsXML) != 0, 0}, false);
        }
    }

private:
    // `purge`: drop the texts not yet sent first; their streams end as cancelled ones do.
    void queue(Command command, bool purge)
    {
        {
            const std::lock_guard guard(shared_->lock);
            if (purge) {
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
