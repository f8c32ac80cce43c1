// A private PulseAudio with a null sink and a speech-dispatcher that plays into it, for
// tests on a machine without a sound card: both run in a fresh folder of their own
// (socket, logs, home), started by the test and stopped by it. speech-dispatcher ignores
// SIGTERM once its audio has wedged, so its process group is ended with SIGKILL.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tov::speech::testing {

class PrivateSpeechServices {
public:
    enum class Start { SoundAndSpeech, SoundOnly };
    // Starts both (or only the sound server) and points this process's PulseAudio and
    // speech-dispatcher clients (PULSE_SERVER, SPEECHD_ADDRESS) at the private ones. On
    // failure `ready()` is false and `problem()` says why.
    explicit PrivateSpeechServices(Start what = Start::SoundAndSpeech);
    ~PrivateSpeechServices();
    PrivateSpeechServices(const PrivateSpeechServices&) = delete;
    PrivateSpeechServices& operator=(const PrivateSpeechServices&) = delete;

    bool ready() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    const std::filesystem::path& folder() const { return dir_; }
    // The PulseAudio server, as PULSE_SERVER names it.
    std::string pulseServer() const;
    // Kills the sound server, as a server that crashed ends.
    void killSound();

private:
    pid_t start(const std::string& log, const std::vector<std::string>& argv);
    bool waitForSocket(const std::filesystem::path& socket, pid_t owner);
    static void stop(pid_t group, int signal);

    std::filesystem::path dir_;
    std::string problem_;
    pid_t pulse_ = -1;
    pid_t speechd_ = -1;
};

} // namespace tov::speech::testing
