// The bank in memory: named waves that play once, overlapped or looped, at a frequency,
// pan and volume of their own. An item owns its buffers only while the sound device is
// ready ("initialised"); until then every call stores its value and `play` does nothing,
// so a machine without sound runs the same code silently.
//
// How an item plays:
// 1. A looped item plays its main buffer in a loop from the start, with whatever
//    frequency, pan and volume were last set; nothing waits for it.
// 2. Otherwise the main buffer is never played: it is the source of duplicates (voices
//    sharing its samples). A play takes the first duplicate that is not playing; when all
//    are busy it makes a new one, unless MaxPlayingCount of them exist already, in which
//    case the one started longest ago is cut off and restarted. "beep" with
//    MaxPlayingCount 2 played three times quickly: the third play restarts the first.
// 3. A play that waits sleeps in 10 ms steps until its duplicate has ended, without
//    serving the event queue, and never much longer than the wave lasts, so a device
//    that stops rendering cannot freeze the program.
// GUI thread only.
#pragma once

#include "sound/bankreader.h"
#include "sound/directsound.h"
#include "sound/hashcollection.h"
#include "sound/wave.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tov::sound {

class TWaveCollection;

enum class Wait { No, Yes };

class TWaveCollectionItem {
public:
    TWaveCollectionItem(TWaveCollection& collection, StoredWave stored);
    TWaveCollectionItem(const TWaveCollectionItem&) = delete;
    TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

    const std::string Name;
    const int32_t MaxPlayingCount;
    const TWave Wave;

    void play(Wait wait);
    // A looped item sounds for exactly `duration` from this moment and then falls silent
    // by itself; played again right at the end, it carries on without a gap. An item
    // that is not looped plays once, as `play` without waiting. Returns how long from now
    // the tone sounds (less than `duration` when it was joined on to the one before early;
    // `duration` itself when the item cannot tell).
    std::chrono::microseconds playfor(std::chrono::milliseconds duration);
    // Stops the main buffer and every duplicate.
    void stop();
    // A change stops the item first; setting the value it has already does nothing.
    void setlooped(bool looped);
    // These store the value and, on an initialised item, give it to the main buffer at
    // once. A value the buffer rejects (a frequency under 100 Hz, say) leaves it as it was.
    void setfrequency(int32_t hz);
    void setpan(int32_t pan);
    void setvolume(int32_t volume);

    bool looped() const { return looped_; }
    int32_t frequency() const { return frequency_; }
    int32_t pan() const { return pan_; }
    int32_t volume() const { return volume_; }
    bool initialized() const { return initialized_; }
    bool hasmainbuffer() const { return mainbuffer_ != nullptr; }
    size_t extrabuffercount() const { return extrabuffers_.size(); }
    TDirectSoundBuffer* mainbuffer() { return mainbuffer_.get(); }
    TDirectSoundBuffer& extrabuffer(size_t index) { return *extrabuffers_.at(index); }

    // The device's side: give the item its buffer from the wave (again, after a loss);
    // free the buffers and take the device's readiness; free them and forget the device.
    void restore();
    void initialize();
    void finalize();

private:
    TDirectSound* directsound() const;
    TDirectSoundBuffer* choosebuffer();
    std::chrono::milliseconds playbound() const;
    void freebuffers();

    TWaveCollection& collection_;
    bool looped_;
    int32_t frequency_ = 0;    //: playback rate in Hz; 0 is the wave's own rate
    int32_t pan_ = 0;          //: 0 is the centre
    int32_t volume_ = 0;       //: hundredths of a decibel, -10000 (silent) to 0 (full)
    bool initialized_ = false; //: the device is ready and the item may own buffers
    std::unique_ptr<TDirectSoundBuffer> mainbuffer_; //: holds the samples
    //: duplicates for overlapping plays, the one started longest ago first
    std::vector<std::unique_ptr<TDirectSoundBuffer>> extrabuffers_;
};

class TWaveCollection : public THashCollection<TWaveCollectionItem> {
public:
    // Replaces the bank with the items of a bank file, then gives every item its buffer
    // when the device is ready. On a read error the bank is left empty (never half
    // loaded) and the error's text says what was wrong with the file.
    void loadbank(const std::filesystem::path& file);
    void loadbankimage(std::span<const uint8_t> bytes);
    // The item of that name, in any case. Throws "Wave '<name>' not found".
    TWaveCollectionItem& find(std::string_view name) const;

    // What the items make their buffers with: the ready device's, or nullptr while no
    // device is ready. The wave list that owns the collection hands it over.
    TDirectSound* directsound() const { return directsound_; }
    void setdirectsound(TDirectSound* directsound) { directsound_ = directsound; }

private:
    TDirectSound* directsound_ = nullptr; //: not owned; outlives the collection's use of it
};

} // namespace tov::sound
