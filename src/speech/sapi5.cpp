// The SAPI 5 voice component: connection on first use, events, kept failures.
#include "speech/sapi5.h"

#include "common/tov_error.h"

namespace tov::speech::sapi5 {

// Hands the engine's events to the component's handlers.
class TSpVoice::Relay final : public VoiceEvents {
public:
    explicit Relay(TSpVoice& owner) : owner_(owner) {}
    void startStream(int32_t stream) override
    {
        if (owner_.OnStartStream) {
            owner_.OnStartStream(stream);
        }
    }
    void endStream(int32_t stream) override
    {
        if (owner_.OnEndStream) {
            owner_.OnEndStream(stream);
        }
    }
    void failed(const std::string& text) override
    {
        if (owner_.OnFailure) {
            owner_.OnFailure(text);
        } else {
            owner_.pendingError_ = text;
        }
    }

private:
    TSpVoice& owner_;
};

TSpVoice::TSpVoice(Connector connect)
    : connect_(std::move(connect)), relay_(std::make_shared<Relay>(*this))
{
}

// The engine goes first: once it is gone nothing posts for the relay.
TSpVoice::~TSpVoice()
{
    engine_.reset();
}

void TSpVoice::connect()
{
    if (engine_ == nullptr) {
        engine_ = connect_(relay_);
        if (engine_ == nullptr) {
            throw TovError("the SAPI 5 voice cannot be reached");
        }
        engine_->setEventInterests(interests_);
    }
}

void TSpVoice::raisePendingError()
{
    if (pendingError_) {
        const std::string text = std::move(*pendingError_);
        pendingError_.reset();
        throw TovError(text);
    }
}

void TSpVoice::setEventInterests(int32_t interests)
{
    interests_ = interests;
    raisePendingError();
    if (engine_ != nullptr) {
        engine_->setEventInterests(interests);
    }
}

void TSpVoice::Speak(const std::string& utf8, int32_t flags)
{
    raisePendingError();
    connect();
    engine_->Speak(utf8, flags);
}

} // namespace tov::speech::sapi5
