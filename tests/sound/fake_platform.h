// A recording double of the sound library's platform device (src/sound/platform.h). It
// keeps every buffer's state where a test can see it after the library has taken the
// device, logs every call as "b<id>.<call>", plays a buffer until the test says it has
// ended (or until it has been asked for its status a given number of times), and returns
// scripted results (a lost buffer, say) for chosen calls.
#pragma once

#include "doubles/doubles.h"
#include "sound/platform.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tov::testing {

struct FakeBufferState {
    int id = 0;
    int duplicateOf = 0; //: the id of the original, 0 for a buffer made from a format
    std::shared_ptr<std::vector<uint8_t>> memory; //: shared with duplicates
    bool alive = true;
    bool playing = false;
    bool looping = false;
    uint32_t position = 0;
    int32_t frequency = 0;
    int32_t pan = 0;
    int32_t volume = 0;
    int plays = 0;
    int fills = 0;         //: unlocks after a lock, that is, refills of the memory
    int statusQueries = 0; //: not logged, they are frequent: counted
    //: status queries before a play ends by itself; negative: it plays until `finish`
    int statusesUntilEnd = -1;
};

struct FakeWorld {
    std::vector<std::shared_ptr<FakeBufferState>> buffers; //: every buffer ever made
    EventLog log; //: every call but the status queries, in order
    //: the next results of a call name ("play", "lock", ...) on any buffer, then kOk
    std::map<std::string, std::deque<sound::Result>> scripted;
    std::string openFailure; //: when not empty, opening throws TovError with this text
    bool refuseBuffers = false;
    int opens = 0;
    int defaultStatusesUntilEnd = -1;

    // An opener for TSoundDevice.
    sound::PlatformOpener opener();

    FakeBufferState& buffer(int id) { return *buffers.at(static_cast<size_t>(id - 1)); }
    int aliveCount() const;
    int playingCount() const;
    void finishAll();
    // Log entries since the given index, joined with spaces.
    std::string logSince(size_t from) const;
    sound::Result next(const std::string& call);
};

} // namespace tov::testing
