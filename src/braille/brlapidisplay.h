// The refreshable braille display, reached through BRLTTY's client library BrlAPI.
//
// 1. Optional and never in the way: every BrlAPI call runs on this object's own thread,
//    because connecting can block (a BRLTTY that accepts and never answers) and a write
//    goes over a socket. The GUI thread only hands over what it wants and returns.
// 2. While enabled, the thread connects (BRLAPI_HOST and BRLAPI_AUTH, or BrlAPI's
//    defaults) and, when that fails or the connection breaks, tries again every
//    kRetryInterval, so a BRLTTY started or restarted later is found without a restart
//    of the program. A BRLTTY without a display (0 cells) counts as none.
// 3. While active, it holds the display (tty mode) and writes the latest cells; when
//    inactive, or disabled, it gives the display back to BRLTTY and the programs under it.
// 4. Keys read on the thread are posted, as are the display's size and the outcome of
//    the first attempt after enabling; the hooks run on the GUI thread.
#pragma once

#include "braille/display.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tov::braille {

// BrlAPI's key code, decoded; none for keys the program has no use for.
std::optional<DisplayKey> decodeKey(uint64_t code);

class BrlapiDisplay final : public DisplayOutput {
public:
    static constexpr std::chrono::milliseconds kRetryInterval{2000};

    // Where the display is taken: the terminal the process runs in (its virtual console,
    // or the xterm's window), else the top of the session as a window's program does.
    enum class Place { Terminal, Session };

    struct Hooks {
        //: any thread: runs the call on the GUI thread later, in the order posted
        std::function<void(std::function<void()>)> post;
        std::function<void(size_t width)> widthChanged; //: 0 when the display went away
        std::function<void(const DisplayKey&)> key;
        //: the first attempt after setEnabled(true): was a display found?
        std::function<void(bool found)> attempted;
    };

    BrlapiDisplay(Hooks hooks, Place place);
    // Gives the display back and ends the thread. A thread stuck in BrlAPI (a wedged
    // server) is left behind after kStopWait rather than holding up the program's end.
    ~BrlapiDisplay() override;
    BrlapiDisplay(const BrlapiDisplay&) = delete;
    BrlapiDisplay& operator=(const BrlapiDisplay&) = delete;

    static constexpr std::chrono::milliseconds kStopWait{500};

    void setEnabled(bool enabled);
    void setActive(bool active);
    void write(std::vector<Cell> cells) override;

    //: what the GUI thread hands over and the connection's thread takes (the .cpp's)
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<bool> alive_; //: GUI thread only: false once this object is gone
    std::thread thread_;
};

} // namespace tov::braille
