// Timed tones on one OpenAL source: a wave's samples read in a loop for exactly a given
// length, queued as pieces at the output's rate, each tone placed on the output frame
// that belongs to the moment it was asked for, and a tone asked for just as the one
// before ends joined on to it without a gap (the falling tone's 41 steps of 10 ms).
//
// 1. `play` asks the device which output frame belongs to now and aims a lead
//    (kTimedLead) after it, so the piece is queued before the mixer gets there.
// 2. A source still playing a tone that ends within the lead of that aim carries on: the
//    new piece starts where the queue ends, at the phase where the last one stopped, so
//    a sequence of tones is one wave with no step in it.
// 3. A source still playing, aimed well after its end, gets a piece of silence up to the
//    aim, then the tone, from the start of the loop.
// 4. A source that is silent starts again: stopped, emptied, silence from the frame mixed
//    so far up to the aim, then the tone. It plays from the next update, which starts on
//    the mixed frame, so the tone still sounds where it was asked for.
// 5. If the source ran dry between the look in 2 and the queuing, it would start over from
//    its oldest piece: it is emptied and gets the tone alone, at once.
// 6. The tone's end is kept on the output (`queueEnd_`) and by the wall clock (`endsAt_`):
//    `left` says how long it still sounds, and `wouldCut` whether a stop now comes well
//    before that end (a key ending the wait) or at it (the statement's own end, which
//    lets the tone end on its frame).
// Pieces are OpenAL buffers made as needed and kept for reuse; the owner of the source
// deletes the source before this sequencer, so no buffer is deleted while queued. All of
// this runs on the thread that plays the bank (the GUI thread).
#pragma once

#include "sound/audiodevice.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

namespace tov::sound {

// A wave's samples as -1..1 floats, interleaved, read in a loop.
struct ToneLoop {
    std::span<const float> samples;
    int channels = 1;
    size_t frames() const { return samples.size() / static_cast<size_t>(channels); }
};

class ToneSequencer {
public:
    explicit ToneSequencer(std::shared_ptr<AudioDevice> device) : device_(std::move(device)) {}
    ToneSequencer(const ToneSequencer&) = delete;
    ToneSequencer& operator=(const ToneSequencer&) = delete;

    // Queues `length` of `loop` at `hz` loop frames a second and `gain` on `source`, and
    // plays it; false when OpenAL has no buffer left.
    bool play(ALuint source, const ToneLoop& loop, double hz, float gain,
              std::chrono::microseconds length);
    // How much longer the last tone sounds, from now; zero when the source is silent.
    std::chrono::microseconds left(ALuint source);
    // A stop now comes well before the tone's end, and should cut it.
    bool wouldCut(ALuint source);
    // The source was stopped and let go of its queue: every piece is free again.
    void released();

private:
    void restart(ALuint source);
    void recycle(ALuint source);
    bool enqueue(ALuint source, const std::vector<int16_t>& piece, int channels);

    std::shared_ptr<AudioDevice> device_;
    std::vector<AudioBuffer> pieces_;              //: every buffer made for pieces
    std::deque<ALuint> queued_;                    //: pieces on the source, oldest first
    std::deque<ALuint> free_;                      //: pieces not queued
    int64_t queueEnd_ = 0;                         //: the output frame where the queued pieces end
    std::chrono::steady_clock::time_point endsAt_; //: the same end, by the wall clock
    double phase_ = 0.0;           //: where in the loop the next piece goes on, in frames
    std::vector<int16_t> tone_;    //: the last piece of tone made
    std::vector<int16_t> silence_; //: the lead-in before a piece
};

} // namespace tov::sound
