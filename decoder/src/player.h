// The asynchronous player behind the C interface: a command queue served by
// a thread of its own, which decodes, equalises, feeds the audio output and
// posts notifications in order.
#pragma once

#include "equalizer.h"
#include "mp3dec.h"
#include "output.h"
#include "source.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace mp3dec {

// The argument form a control code is sent with.
enum class Form { N, P, S, SS, SI, IPI, I, II, III, IIII };
// The form of a known code; nothing for codes the interface does not have.
std::optional<Form> formOf(int code);

struct Command
{
    int code = 0;
    int value[4] = {};
    std::string text[2];
    MP3_EqualizerInfo equalizer{};
    int refusal = 0; // non-zero: answer with this nack and do nothing
    std::chrono::steady_clock::time_point sent;
};

class Player
{
public:
    explicit Player(const MP3_NotificationTarget& target);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // False when the player's thread could not be started.
    bool running() const { return m_thread != nullptr; }
    // Queues a command; 0, or the error it was refused with.
    int send(Command command);
    int setPriority(int priority);
    int priority() const { return m_priority; }
    int toMessage(MP3_Message* message, uint32_t number, uintptr_t wparam, intptr_t lparam);

private:
    struct Envelope
    {
        MP3_Message message{};
        std::string text[2];
        MP3_EqualizerInfo equalizer{};
    };
    enum class State { Stopped, Playing, Paused, Ended };

    void run();
    void serve(std::deque<Command>& batch);
    void handle(Command& command);
    bool handleTransport(Command& command);
    bool handleSettings(Command& command);
    void open(Command& command);
    // `reportStop`: tell the owner the player stopped (not when a new stream replaces this one).
    void closeInput(bool reportStop);
    void play(Command& command);
    void seekTo(int64_t frame);
    void pump();
    void report();
    void applyVolume();
    void applyEqualizer();
    void setState(State state);
    uint32_t range() const;
    std::chrono::microseconds untilNextWork() const;
    void applyPriority();

    // Posting. `requested` answers are posted whatever the mask says.
    void post(std::unique_ptr<Envelope> envelope, uint32_t maskBit);
    std::unique_ptr<Envelope> make(uint32_t code);
    void ack(const Command& command);
    void nack(const Command& command, int code);
    void postState(uint32_t code, uint8_t state, uint32_t maskBit);
    void postText(uint32_t code, const std::string& text, uint32_t maskBit);
    void postError(uint8_t source, int code, const std::string& text);
    void postDebug(uint8_t level, const std::string& text);

    const MP3_NotificationTarget m_target;
    // An SDL thread, so that SDL's per-thread data is freed when it ends.
    SDL_Thread* m_thread = nullptr;
    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::deque<Command> m_queue;
    bool m_exit = false;

    std::mutex m_postMutex;
    std::set<Envelope*> m_posted;          // posted, not yet turned back into messages
    std::unique_ptr<Envelope> m_delivered; // the last one handed out: its texts live until the next

    int m_priority = 4;
    std::optional<long> m_threadId;
    std::mutex m_priorityMutex;

    // Owned by the player thread.
    std::unique_ptr<Output> m_output;
    std::unique_ptr<Source> m_source;
    std::string m_inputName;
    std::string m_outputName;
    PcmProcessor m_pcm;
    std::vector<int16_t> m_buffer;
    State m_state = State::Stopped;
    bool m_endOfInput = false;
    int64_t m_decoded = 0;            // frame index of the next frame to decode
    int64_t m_lastOffset = -1;        // last reported offset; -1: report the next one whatever it is
    int64_t m_lastTimeUnit = -1;
    int32_t m_customRange = 0;        // 0: tenths of a second
    uint32_t m_granularityMs = 1000;
    std::optional<int64_t> m_drainUntil;
    std::optional<Command> m_drainCommand;
    bool m_startPending = false; // Play served: start the output after the pending commands
    bool m_firstBufferPending = false;
    std::chrono::steady_clock::time_point m_firstBufferSince;

    int m_master = 100, m_pcmLevel = 100, m_balance = 50;
    bool m_muted = false;
    MP3_EqualizerInfo m_equalizer{};
    int m_mode = 0;
    int m_quality = 0;
    uint32_t m_mask = MP3_NOTIFY_MASK_ALL;
    int m_debugLevel = 0;
    std::map<std::string, std::variant<int32_t, std::string>> m_environment;
};

} // namespace mp3dec
