// The BrlAPI connection's thread.
#include "braille/brlapidisplay.h"

#include <brlapi.h>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace tov::braille {

std::optional<DisplayKey> decodeKey(uint64_t code)
{
    const uint64_t type = code & BRLAPI_KEY_TYPE_MASK;
    const uint64_t value = code & BRLAPI_KEY_CODE_MASK;
    if (type == BRLAPI_KEY_TYPE_SYM) {
        switch (value) {
        case BRLAPI_KEY_SYM_LINEFEED:
            return DisplayKey{DisplayKey::Kind::Enter, {}, 0};
        case BRLAPI_KEY_SYM_BACKSPACE:
            return DisplayKey{DisplayKey::Kind::Backspace, {}, 0};
        case ' ':
            return DisplayKey{DisplayKey::Kind::Chord, " ", 0};
        default:
            return std::nullopt;
        }
    }
    if (type != BRLAPI_KEY_TYPE_CMD) {
        return std::nullopt;
    }
    const uint64_t block = value & BRLAPI_KEY_CMD_BLK_MASK;
    const uint64_t argument = value & BRLAPI_KEY_CMD_ARG_MASK;
    if (block == BRLAPI_KEY_CMD_PASSDOTS) {
        // The six dots are the chord; dots 7 and 8 have no key on the six-key keyboard.
        // The space bar alone is the empty cell, which is the space chord.
        const std::string chord = dotsOfCell(static_cast<Cell>(argument));
        return DisplayKey{DisplayKey::Kind::Chord, chord.empty() ? " " : chord, 0};
    }
    if (block == BRLAPI_KEY_CMD_ROUTE) {
        return DisplayKey{DisplayKey::Kind::Route, {}, static_cast<size_t>(argument)};
    }
    switch (value) {
    case BRLAPI_KEY_CMD_FWINLT:
        return DisplayKey{DisplayKey::Kind::PanLeft, {}, 0};
    case BRLAPI_KEY_CMD_FWINRT:
        return DisplayKey{DisplayKey::Kind::PanRight, {}, 0};
    default:
        return std::nullopt;
    }
}

// What the GUI thread hands over and the connection's thread takes, under `lock`.
struct BrlapiDisplay::Shared {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;    //: the thread has left its loop
    bool stop = false;    //: the owner is going
    bool enabled = false; //: the user lets the program use a display
    bool active = false;  //: the program's window is active (or the terminal host runs)
    bool report = false;  //: the next attempt's outcome is posted to `attempted`
    bool dirty = false;   //: `cells` changed since the thread last wrote
    std::vector<Cell> cells;
    int wake = -1; //: eventfd: wakes the thread's poll
    Hooks hooks;
    Place place = Place::Session;

    void poke() const
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wake, &one, sizeof one);
    }
};

namespace {

// BrlAPI reports a failed request of the server through this handler; its default ends
// the process. Ours marks the connection broken, and the loop closes and retries.
void BRLAPI_STDCALL onException(brlapi_handle_t* handle, int, brlapi_packetType_t, const void*,
                                size_t)
{
    if (auto* broken = static_cast<bool*>(brlapi__getClientData(handle))) {
        *broken = true;
    }
}

class Connection {
public:
    explicit Connection(BrlapiDisplay::Shared& shared) : shared_(shared) {}
    ~Connection() { close(); }

    void run();

private:
    struct Wanted {
        bool stop = false, enabled = false, active = false, report = false, dirty = false;
        std::vector<Cell> cells;
    };
    Wanted take();
    bool open();
    void close();
    bool enterTty();
    void leaveTty();
    bool writeCells(const std::vector<Cell>& cells);
    // False when the connection broke.
    bool readKeys();
    // Sleeps until woken or the timeout passes; Keys::Read also wakes for, and reads, the
    // display's keys (only with a connection).
    enum class Keys { Ignored, Read };
    static constexpr int kNoTimeout = -1;
    void waitForWake(int timeoutMs, Keys keys);
    void post(std::function<void()> call) const;

    BrlapiDisplay::Shared& shared_;
    std::unique_ptr<unsigned char[]> handleMemory_;
    brlapi_handle_t* handle_ = nullptr; //: while connected
    bool broken_ = false;               //: the exception handler saw the server refuse
    bool inTty_ = false;                //: the display is ours
    unsigned width_ = 0;
};

void Connection::post(std::function<void()> call) const
{
    if (shared_.hooks.post) {
        shared_.hooks.post(std::move(call));
    }
}

Connection::Wanted Connection::take()
{
    std::lock_guard guard(shared_.lock);
    Wanted wanted{shared_.stop, shared_.enabled, shared_.active, shared_.report, shared_.dirty, {}};
    if (shared_.dirty) {
        wanted.cells = shared_.cells;
    }
    shared_.dirty = false;
    shared_.report = false;
    return wanted;
}

bool Connection::open()
{
    handleMemory_ = std::make_unique<unsigned char[]>(brlapi_getHandleSize());
    auto* handle = reinterpret_cast<brlapi_handle_t*>(handleMemory_.get());
    // Null settings: BRLAPI_HOST and BRLAPI_AUTH when set, else the local BRLTTY.
    if (brlapi__openConnection(handle, nullptr, nullptr) == BRLAPI_INVALID_FILE_DESCRIPTOR) {
        handleMemory_.reset();
        return false;
    }
    handle_ = handle;
    broken_ = false;
    brlapi__setClientData(handle_, &broken_);
    brlapi__setExceptionHandler(handle_, onException);
    unsigned height = 0;
    if (brlapi__getDisplaySize(handle_, &width_, &height) < 0 || width_ == 0) {
        close(); // a BRLTTY without a display
        return false;
    }
    const size_t width = width_;
    post([&shared = shared_, width] { shared.hooks.widthChanged(width); });
    return true;
}

void Connection::close()
{
    if (handle_ == nullptr) {
        return;
    }
    leaveTty();
    brlapi__closeConnection(handle_);
    handle_ = nullptr;
    handleMemory_.reset();
    width_ = 0;
    post([&shared = shared_] { shared.hooks.widthChanged(0); });
}

bool Connection::enterTty()
{
    int entered = -1;
    if (shared_.place == BrlapiDisplay::Place::Terminal) {
        entered = brlapi__enterTtyMode(handle_, BRLAPI_TTY_DEFAULT, nullptr);
    }
    if (entered < 0) {
        // No terminal of its own (standard input a pipe, the window's program): the top
        // of the session, under whatever WINDOWPATH or XDG_VTNR says the session is.
        entered = brlapi__enterTtyModeWithPath(handle_, nullptr, 0, nullptr);
    }
    if (entered < 0 || broken_) {
        return false;
    }
    inTty_ = true;
    // Dots typed on the display come as dots, not as characters of BRLTTY's own text
    // table: the program's table decides what they type.
    const brlapi_keyCode_t passdots = BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_PASSDOTS;
    brlapi__acceptKeys(handle_, brlapi_rangeType_command, &passdots, 1);
    return !broken_;
}

void Connection::leaveTty()
{
    if (inTty_ && handle_ != nullptr) {
        brlapi__leaveTtyMode(handle_);
    }
    inTty_ = false;
}

bool Connection::writeCells(const std::vector<Cell>& cells)
{
    std::vector<unsigned char> dots(width_, 0);
    std::copy_n(cells.begin(), std::min<size_t>(cells.size(), width_), dots.begin());
    return brlapi__writeDots(handle_, dots.data()) >= 0 && !broken_;
}

bool Connection::readKeys()
{
    brlapi_keyCode_t code = 0;
    int got = 0;
    while ((got = brlapi__readKey(handle_, 0, &code)) > 0) {
        if (const std::optional<DisplayKey> key = decodeKey(code)) {
            post([&shared = shared_, key = *key] { shared.hooks.key(key); });
        }
    }
    return got == 0 && !broken_;
}

void Connection::waitForWake(int timeoutMs, Keys keys)
{
    const bool withDisplay = keys == Keys::Read;
    pollfd fds[2] = {{shared_.wake, POLLIN, 0}, {-1, POLLIN, 0}};
    if (withDisplay) {
        fds[1].fd = brlapi__getFileDescriptor(handle_);
    }
    if (::poll(fds, withDisplay ? 2 : 1, timeoutMs) <= 0) {
        return;
    }
    if ((fds[0].revents & POLLIN) != 0) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t ignored = ::read(shared_.wake, &count, sizeof count);
    }
    if (withDisplay && fds[1].revents != 0 && !readKeys()) {
        close();
    }
}

void Connection::run()
{
    // A BRLTTY that goes away makes the next write fail with EPIPE; the signal that comes
    // with it is blocked on this thread, the only one that writes to BrlAPI's socket.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    std::vector<Cell> cells;
    bool rewrite = false; //: the display must get `cells` again (new tty mode, new connection)
    for (;;) {
        Wanted wanted = take();
        if (wanted.stop) {
            break;
        }
        if (wanted.dirty) {
            cells = std::move(wanted.cells);
            rewrite = true;
        }
        if (!wanted.enabled) {
            close();
            waitForWake(kNoTimeout, Keys::Ignored);
            continue;
        }
        if (handle_ == nullptr) {
            const bool found = open();
            if (wanted.report) {
                post([&shared = shared_, found] { shared.hooks.attempted(found); });
            }
            if (!found) {
                waitForWake(static_cast<int>(BrlapiDisplay::kRetryInterval.count()), Keys::Ignored);
                continue;
            }
            rewrite = true;
        } else if (wanted.report) {
            post([&shared = shared_] { shared.hooks.attempted(/*found=*/true); });
        }
        if (wanted.active && !inTty_) {
            if (!enterTty()) {
                close();
                waitForWake(static_cast<int>(BrlapiDisplay::kRetryInterval.count()), Keys::Ignored);
                continue;
            }
            rewrite = true;
        } else if (!wanted.active && inTty_) {
            leaveTty();
        }
        if (inTty_ && rewrite && !cells.empty()) {
            if (!writeCells(cells)) {
                close();
                continue;
            }
            rewrite = false;
        }
        waitForWake(kNoTimeout, Keys::Read);
    }
    close();
}

} // namespace

BrlapiDisplay::BrlapiDisplay(Hooks hooks, Place place)
    : shared_(std::make_shared<Shared>()), alive_(std::make_shared<bool>(true))
{
    // Every hook runs on the GUI thread, and only while this object exists.
    const auto guard = [alive = alive_, post = hooks.post](std::function<void()> call) {
        post([alive, call = std::move(call)] {
            if (*alive) {
                call();
            }
        });
    };
    shared_->hooks.post = guard;
    shared_->hooks.widthChanged = hooks.widthChanged ? hooks.widthChanged : [](size_t) {};
    shared_->hooks.key = hooks.key ? hooks.key : [](const DisplayKey&) {};
    shared_->hooks.attempted = hooks.attempted ? hooks.attempted : [](bool) {};
    shared_->place = place;
    shared_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([shared = shared_] {
        {
            Connection connection(*shared);
            connection.run();
        }
        std::lock_guard guard(shared->lock);
        shared->done = true;
        shared->finished.notify_all();
    });
}

BrlapiDisplay::~BrlapiDisplay()
{
    *alive_ = false;
    std::unique_lock guard(shared_->lock);
    shared_->stop = true;
    shared_->poke();
    if (shared_->finished.wait_for(guard, kStopWait, [this] { return shared_->done; })) {
        guard.unlock();
        thread_.join();
        ::close(shared_->wake);
    } else {
        guard.unlock();
        thread_.detach(); // it holds its own share of the state; the process is ending
    }
    // The eventfd stays open while a detached thread may still poll it.
}

void BrlapiDisplay::setEnabled(bool enabled)
{
    std::lock_guard guard(shared_->lock);
    if (enabled && !shared_->enabled) {
        shared_->report = true;
    }
    shared_->enabled = enabled;
    shared_->poke();
}

void BrlapiDisplay::setActive(bool active)
{
    std::lock_guard guard(shared_->lock);
    shared_->active = active;
    shared_->poke();
}

void BrlapiDisplay::write(std::vector<Cell> cells)
{
    std::lock_guard guard(shared_->lock);
    shared_->cells = std::move(cells);
    shared_->dirty = true;
    shared_->poke();
}

} // namespace tov::braille
