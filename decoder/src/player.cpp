#include "player.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace mp3dec {

namespace {

using Clock = std::chrono::steady_clock;

// Audio kept waiting in the output: enough to ride out a busy moment, short
// enough that an equaliser change is soon heard. (The volume is applied as
// the audio leaves the output, so it does not wait behind this.)
constexpr int kQueueMilliseconds = 120;
constexpr long kChunkFrames = 2048;
// When a position report falls this far behind, it jumps instead of
// listing every value (a custom range of millions of units).
constexpr int64_t kMaxStepsPerReport = 256;
// Rounds of newly arrived commands served before the output is fed again.
constexpr int kMaxServeRounds = 8;
// How long a start waits for the commands sent right after Play.
constexpr std::chrono::milliseconds kStartGrace(5);

float levelGain(int level)
{
    const double x = level / 100.0;
    return float(x * x * x);
}

} // namespace

std::optional<Form> formOf(int code)
{
    switch (code) {
    case 2: case 4: case 5: case 6: case 9: case 13: case 16: case 18: case 20: case 21: case 22:
    case 23: case 26: case 29: case 33: case 35: case 42: case 44: case 46: case 48: case 50:
    case 52: case 58: case 60: case 62: case 64: case 66: case 70: case 72:
        return Form::N;
    case 3: case 15: case 28: case 32: case 34: case 43: case 45: case 47: case 51: case 59:
    case 61: case 63: case 69: case 71:
        return Form::I;
    case 7:
        return Form::II;
    case 57:
        return Form::III;
    case 8: case 14: case 17: case 27: case 31: case 37: case 39: case 40: case 41: case 49:
        return Form::S;
    case 38:
        return Form::SS;
    case 11: case 12: case 24: case 25: case 36:
        return Form::SI;
    case 10: case 19: case 30:
        return Form::IPI;
    case 65:
        return Form::P;
    default:
        return std::nullopt;
    }
}

Player::Player(const MP3_NotificationTarget& target) : m_target(target)
{
    m_buffer.resize(size_t(kChunkFrames) * 8);
    m_thread = SDL_CreateThread(
        [](void* self) {
            static_cast<Player*>(self)->run();
            return 0;
        },
        "mp3dec player", this);
}

Player::~Player()
{
    {
        std::lock_guard lock(m_queueMutex);
        m_exit = true;
    }
    m_wake.notify_one();
    SDL_WaitThread(m_thread, nullptr);
    std::lock_guard lock(m_postMutex);
    for (Envelope* e : m_posted)
        delete e;
}

int Player::send(Command command)
{
    command.sent = Clock::now();
    const int refusal = command.refusal;
    {
        std::lock_guard lock(m_queueMutex);
        // A flood of commands is refused rather than queued without bound.
        if (m_queue.size() >= 4096)
            return MP3DEC_ERR_QUEUE_FULL;
        m_queue.push_back(std::move(command));
    }
    m_wake.notify_one();
    return refusal;
}

int Player::setPriority(int priority)
{
    if (priority < 1 || priority > 7)
        return MP3DEC_ERR_INVALID_ARGUMENT;
    std::lock_guard lock(m_priorityMutex);
    m_priority = priority;
    applyPriority();
    return MP3DEC_OK;
}

void Player::applyPriority()
{
    // 4 is the normal priority; each step is four nice levels. Raising it
    // needs the right to; without that the thread simply keeps its priority.
    if (m_threadId)
        setpriority(PRIO_PROCESS, id_t(*m_threadId), (4 - m_priority) * 4);
}

int Player::toMessage(MP3_Message* message, uint32_t number, uintptr_t wparam, intptr_t lparam)
{
    if (!message)
        return MP3DEC_ERR_INVALID_ARGUMENT;
    if (number != MP3DEC_NOTIFY_MESSAGE || wparam != reinterpret_cast<uintptr_t>(this))
        return MP3DEC_ERR_NOT_A_NOTIFICATION;
    std::lock_guard lock(m_postMutex);
    // Only what we posted is read: any other lparam is rejected untouched.
    auto* envelope = reinterpret_cast<Envelope*>(lparam);
    const auto it = m_posted.find(envelope);
    if (it == m_posted.end())
        return MP3DEC_ERR_NOT_A_NOTIFICATION;
    m_posted.erase(it);
    m_delivered.reset(envelope);
    *message = envelope->message;
    return MP3DEC_OK;
}

std::unique_ptr<Player::Envelope> Player::make(uint32_t code)
{
    auto envelope = std::make_unique<Envelope>();
    envelope->message.code = code;
    return envelope;
}

void Player::post(std::unique_ptr<Envelope> envelope, uint32_t maskBit)
{
    if (maskBit && !(m_mask & maskBit))
        return;
    Envelope* raw = envelope.release();
    {
        std::lock_guard lock(m_postMutex);
        m_posted.insert(raw);
    }
    m_target.post(m_target.context, MP3DEC_NOTIFY_MESSAGE, reinterpret_cast<uintptr_t>(this),
                  reinterpret_cast<intptr_t>(raw));
}

void Player::ack(const Command& command)
{
    auto e = make(MP3_NOTIFY_ACK);
    e->message.data.ack.command = uint8_t(command.code);
    post(std::move(e), 0);
}

void Player::nack(const Command& command, int code)
{
    auto e = make(MP3_NOTIFY_NACK);
    e->message.data.nack.command = uint8_t(command.code);
    e->message.data.nack.code = int16_t(code);
    post(std::move(e), 0);
}

void Player::postState(uint32_t code, uint8_t state, uint32_t maskBit)
{
    auto e = make(code);
    e->message.data.state.state = state;
    post(std::move(e), maskBit);
}

void Player::postText(uint32_t code, const std::string& text, uint32_t maskBit)
{
    auto e = make(code);
    e->text[0] = text;
    e->message.data.name.name = e->text[0].c_str();
    post(std::move(e), maskBit);
}

void Player::postError(uint8_t source, int code, const std::string& text)
{
    auto e = make(MP3_NOTIFY_ERROR);
    e->text[0] = text;
    e->message.data.error.source = source;
    e->message.data.error.code = int16_t(code);
    e->message.data.error.msg = e->text[0].c_str();
    post(std::move(e), MP3_NOTIFY_MASK_ERROR);
}

void Player::postDebug(uint8_t level, const std::string& text)
{
    if (m_debugLevel < level)
        return;
    auto e = make(MP3_NOTIFY_DEBUG);
    e->text[0] = text;
    e->message.data.debug.source = MP3_SOURCE_OUTPUT;
    e->message.data.debug.level = level;
    e->message.data.debug.msg = e->text[0].c_str();
    post(std::move(e), MP3_NOTIFY_MASK_DEBUG);
}

void Player::run()
{
    {
        std::lock_guard lock(m_priorityMutex);
        m_threadId = long(syscall(SYS_gettid));
        applyPriority();
    }
    m_output = std::make_unique<Output>();
    post(make(MP3_NOTIFY_READY), 0);
    for (;;) {
        std::deque<Command> batch;
        {
            std::unique_lock lock(m_queueMutex);
            const auto ready = [this] { return !m_queue.empty() || m_exit; };
            if (m_state == State::Playing || m_drainUntil)
                m_wake.wait_for(lock, untilNextWork(), ready);
            else
                m_wake.wait(lock, ready);
            if (m_exit)
                break;
            batch.swap(m_queue);
        }
        serve(batch);
        if (m_state == State::Playing)
            pump();
        if (std::exchange(m_startPending, false) && m_state == State::Playing)
            m_output->pause(false);
        report();
    }
    m_source.reset();
    m_output.reset();
    post(make(MP3_NOTIFY_EXITED), 0);
}

void Player::serve(std::deque<Command>& batch)
{
    // Commands sent one after another (open, play, volume) arrive while the
    // first is served: take those too before any audio is made. A start
    // also waits a moment for the commands its sender issues right after
    // Play (the volume, the equaliser), which that thread may only get to
    // once this one has taken Play. A bounded number of rounds, so a stream
    // of commands cannot hold the output back.
    std::optional<Clock::time_point> graceEnd;
    for (int round = 0;; ++round) {
        for (Command& command : batch)
            handle(command);
        batch.clear();
        if (round == kMaxServeRounds)
            return;
        if (m_startPending && !graceEnd)
            graceEnd = Clock::now() + kStartGrace;
        std::unique_lock lock(m_queueMutex);
        if (graceEnd)
            m_wake.wait_until(lock, *graceEnd, [this] { return !m_queue.empty() || m_exit; });
        if (m_exit || m_queue.empty())
            return;
        batch.swap(m_queue);
    }
}

void Player::handle(Command& command)
{
    if (command.refusal) {
        nack(command, command.refusal);
        return;
    }
    if (handleTransport(command) || handleSettings(command))
        return;
    nack(command, MP3DEC_ERR_NOT_SUPPORTED);
}

bool Player::handleTransport(Command& command)
{
    switch (command.code) {
    case MP3_CMD_SYNCHRONIZE:
        ack(command);
        return true;
    case MP3_CMD_PING: {
        auto e = make(MP3_NOTIFY_PONG);
        e->message.data.pong.tag = uint32_t(command.value[0]);
        post(std::move(e), 0);
        ack(command);
        return true;
    }
    case MP3_CMD_INPUT_OPEN:
    case MP3_CMD_SET_INPUT_NAME:
        open(command);
        return true;
    case MP3_CMD_INPUT_CLOSE:
        closeInput(true);
        ack(command);
        return true;
    case MP3_CMD_PLAY:
        play(command);
        return true;
    case MP3_CMD_PAUSE:
        if (m_state == State::Playing) {
            m_output->pause(true);
            setState(State::Paused);
        }
        ack(command);
        return true;
    case MP3_CMD_STOP:
        if (m_source)
            seekTo(0);
        // A stopped player holds no sound device: another may need it (a
        // CD track plays through its own), and the next Play opens it again.
        m_output->close();
        if (m_state != State::Stopped)
            setState(State::Stopped);
        ack(command);
        return true;
    case MP3_CMD_INPUT_SEEK: {
        const int64_t offset = command.value[0], range = command.value[1];
        if (!m_source)
            return nack(command, MP3DEC_ERR_NO_INPUT), true;
        if (range <= 0)
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        // Before the start is the start, beyond the end the end.
        const int64_t within = std::clamp<int64_t>(offset, 0, range);
        seekTo(std::min(m_source->totalFrames(), m_source->totalFrames() * within / range));
        if (m_state == State::Ended)
            setState(State::Paused); // the position is inside the stream again
        if (m_state == State::Playing) {
            // The run loop refills the output once the pending commands are served.
            m_firstBufferPending = true;
            m_firstBufferSince = command.sent;
        }
        ack(command);
        return true;
    }
    case MP3_CMD_OUTPUT_OPEN:
    case MP3_CMD_SET_OUTPUT_NAME:
        m_outputName = command.text[0];
        if (m_output->isOpen() && m_state == State::Playing) {
            std::string error;
            m_output->clear();
            if (!m_output->ensure(m_source->rate(), m_source->channels(), m_outputName, error)) {
                setState(State::Paused);
                postError(MP3_SOURCE_OUTPUT, MP3DEC_ERR_OUTPUT, error);
                return nack(command, MP3DEC_ERR_OUTPUT), true;
            }
            seekTo(std::max<int64_t>(0, m_decoded));
            m_output->pause(false);
        }
        ack(command);
        return true;
    case MP3_CMD_OUTPUT_CLOSE:
        if (m_state == State::Playing)
            setState(State::Paused);
        if (m_output->isOpen() && m_source)
            seekTo(std::max<int64_t>(0, m_decoded - m_output->queuedFrames()));
        m_output->close();
        ack(command);
        return true;
    case MP3_CMD_OUTPUT_MUTE:
    case MP3_CMD_OUTPUT_UNMUTE:
        m_muted = command.code == MP3_CMD_OUTPUT_MUTE;
        applyVolume();
        ack(command);
        return true;
    case MP3_CMD_OUTPUT_RESET:
        // Drop what waits in the output and go on from what was last heard.
        if (m_source && m_output->isOpen())
            seekTo(std::max<int64_t>(0, m_decoded - m_output->queuedFrames()));
        ack(command);
        return true;
    case MP3_CMD_OUTPUT_DRAIN:
        if (m_state == State::Playing && m_output->queuedFrames() > 0) {
            m_drainUntil = m_decoded;
            m_drainCommand = command;
        } else {
            ack(command);
        }
        return true;
    default:
        return false;
    }
}

bool Player::handleSettings(Command& command)
{
    auto answer = [&](std::unique_ptr<Envelope> e) {
        post(std::move(e), 0);
        ack(command);
        return true;
    };
    const int v = command.value[0];
    switch (command.code) {
    case MP3_CMD_SET_PLAYER_MODE:
        m_mode = v;
        ack(command);
        return true;
    case MP3_CMD_GET_PLAYER_MODE: {
        auto e = make(MP3_NOTIFY_PLAYER_MODE);
        e->message.data.mode.mode = m_mode;
        return answer(std::move(e));
    }
    case MP3_CMD_SET_PLAYER_ENVIRONMENT_INTEGER:
        m_environment[command.text[0]] = int32_t(command.value[0]);
        ack(command);
        return true;
    case MP3_CMD_SET_PLAYER_ENVIRONMENT_STRING:
        m_environment[command.text[0]] = command.text[1];
        ack(command);
        return true;
    case MP3_CMD_GET_PLAYER_ENVIRONMENT_INTEGER:
    case MP3_CMD_GET_PLAYER_ENVIRONMENT_STRING: {
        const auto it = m_environment.find(command.text[0]);
        if (it == m_environment.end())
            return nack(command, MP3DEC_ERR_NOT_FOUND), true;
        const bool wantInteger = command.code == MP3_CMD_GET_PLAYER_ENVIRONMENT_INTEGER;
        if (wantInteger != std::holds_alternative<int32_t>(it->second))
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        auto e = make(wantInteger ? MP3_NOTIFY_PLAYER_ENVIRONMENT_INTEGER : MP3_NOTIFY_PLAYER_ENVIRONMENT_STRING);
        e->text[0] = it->first;
        if (wantInteger) {
            e->message.data.environment_integer.name = e->text[0].c_str();
            e->message.data.environment_integer.value = std::get<int32_t>(it->second);
        } else {
            e->text[1] = std::get<std::string>(it->second);
            e->message.data.environment_string.name = e->text[0].c_str();
            e->message.data.environment_string.value = e->text[1].c_str();
        }
        return answer(std::move(e));
    }
    case MP3_CMD_UNSET_PLAYER_ENVIRONMENT:
        if (m_environment.erase(command.text[0]) == 0)
            return nack(command, MP3DEC_ERR_NOT_FOUND), true;
        ack(command);
        return true;
    case MP3_CMD_GET_INPUT_NAME:
        postText(MP3_NOTIFY_INPUT_NAME, m_inputName, 0);
        ack(command);
        return true;
    case MP3_CMD_GET_INPUT_MODULE:
    case MP3_CMD_GET_OUTPUT_MODULE: {
        auto e = make(command.code == MP3_CMD_GET_INPUT_MODULE ? MP3_NOTIFY_INPUT_MODULE : MP3_NOTIFY_OUTPUT_MODULE);
        e->message.data.module.id =
            int16_t(command.code == MP3_CMD_GET_OUTPUT_MODULE ? 0 : m_source ? m_source->moduleId() : -1);
        return answer(std::move(e));
    }
    case MP3_CMD_SET_INPUT_POSITION_RANGE:
        if (v < 0)
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        m_customRange = v;
        m_lastOffset = -1;
        ack(command);
        return true;
    case MP3_CMD_GET_INPUT_POSITION_RANGE: {
        auto e = make(MP3_NOTIFY_INPUT_POSITION_RANGE);
        e->message.data.range.range = int32_t(range());
        return answer(std::move(e));
    }
    case MP3_CMD_SET_INPUT_TIMECODE_GRANULARITY:
        if (v <= 0)
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        m_granularityMs = uint32_t(v);
        m_lastTimeUnit = -1;
        ack(command);
        return true;
    case MP3_CMD_GET_INPUT_TIMECODE_GRANULARITY: {
        auto e = make(MP3_NOTIFY_INPUT_TIMECODE_GRANULARITY);
        e->message.data.granularity.granularity = m_granularityMs;
        return answer(std::move(e));
    }
    case MP3_CMD_GET_OUTPUT_NAME:
        postText(MP3_NOTIFY_OUTPUT_NAME, m_outputName.empty() ? "default" : m_outputName, 0);
        ack(command);
        return true;
    case MP3_CMD_SET_OUTPUT_VOLUME: {
        // -1 leaves a field; anything else is held to 0..100, so a level
        // dragged beyond its control is silence or full level, never refused.
        const auto set = [](int& field, int value) {
            if (value != -1)
                field = std::clamp(value, 0, 100);
        };
        set(m_master, command.value[0]);
        set(m_pcmLevel, command.value[1]);
        set(m_balance, command.value[2]);
        applyVolume();
        ack(command);
        return true;
    }
    case MP3_CMD_GET_OUTPUT_VOLUME: {
        auto e = make(MP3_NOTIFY_OUTPUT_VOLUME);
        e->message.data.volume = {uint8_t(m_master), uint8_t(m_pcmLevel), uint8_t(m_balance)};
        return answer(std::move(e));
    }
    case MP3_CMD_GET_OUTPUT_CHANNELS: {
        auto e = make(MP3_NOTIFY_OUTPUT_CHANNELS);
        e->message.data.channels.channels = uint8_t(m_source ? m_source->channels() : 2);
        return answer(std::move(e));
    }
    case MP3_CMD_GET_OUTPUT_PORTS: {
        auto e = make(MP3_NOTIFY_OUTPUT_PORTS);
        e->message.data.ports.ports = 1;
        return answer(std::move(e));
    }
    case MP3_CMD_SET_CODEC_QUALITY:
        if (v < 0 || v > 255)
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        m_quality = v;
        ack(command);
        return true;
    case MP3_CMD_GET_CODEC_QUALITY: {
        auto e = make(MP3_NOTIFY_CODEC_QUALITY);
        e->message.data.quality.quality = uint8_t(m_quality);
        return answer(std::move(e));
    }
    case MP3_CMD_SET_CODEC_EQUALIZER:
        m_equalizer = command.equalizer;
        applyEqualizer();
        ack(command);
        return true;
    case MP3_CMD_GET_CODEC_EQUALIZER: {
        auto e = make(MP3_NOTIFY_CODEC_EQUALIZER);
        e->equalizer = m_equalizer;
        e->message.data.equalizer.equalizer = &e->equalizer;
        return answer(std::move(e));
    }
    case MP3_CMD_SET_NOTIFICATION_MASK:
        m_mask = uint32_t(v);
        ack(command);
        return true;
    case MP3_CMD_GET_NOTIFICATION_MASK: {
        auto e = make(MP3_NOTIFY_NOTIFICATION_MASK);
        e->message.data.mask.mask = m_mask;
        return answer(std::move(e));
    }
    case MP3_CMD_SET_DEBUG_LEVEL:
        if (v < 0 || v > 255)
            return nack(command, MP3DEC_ERR_INVALID_ARGUMENT), true;
        m_debugLevel = v;
        ack(command);
        return true;
    case MP3_CMD_GET_DEBUG_LEVEL: {
        auto e = make(MP3_NOTIFY_DEBUG_LEVEL);
        e->message.data.debug_level.level = uint8_t(m_debugLevel);
        return answer(std::move(e));
    }
    default:
        return false;
    }
}

void Player::open(Command& command)
{
    SourceError error;
    std::unique_ptr<Source> source = openSource(command.text[0], error);
    if (!source) {
        closeInput(true); // nothing plays any more
        postError(MP3_SOURCE_INPUT, error.code, error.message);
        nack(command, error.code);
        return;
    }
    // Replacing a stream is no stop: a "stopped" here would reach the owner
    // after the new stream's Play and be answered as a stop of that one.
    closeInput(false);
    m_source = std::move(source);
    m_inputName = command.text[0];
    m_pcm.configure(m_source->rate(), m_source->channels());
    applyEqualizer();
    applyVolume();
    m_decoded = 0;
    m_endOfInput = false;
    m_lastOffset = -1;
    m_lastTimeUnit = -1;
    postState(MP3_NOTIFY_INPUT_STATE, MP3_INPUT_STATE_OPEN, MP3_NOTIFY_MASK_STATE);
    postText(MP3_NOTIFY_STREAM_MIME_TYPE, m_source->mimeType(), MP3_NOTIFY_MASK_STREAM);
    auto duration = make(MP3_NOTIFY_STREAM_DURATION);
    duration->message.data.duration.duration =
        uint32_t((m_source->totalFrames() + m_source->rate() / 2) / m_source->rate());
    post(std::move(duration), MP3_NOTIFY_MASK_STREAM);
    auto parameters = make(MP3_NOTIFY_STREAM_PARAMETERS);
    parameters->message.data.stream_parameters = {uint32_t(m_source->rate()),
                                                  int16_t(std::min(m_source->bitrateKbps(), 32767)),
                                                  uint8_t(m_source->channels())};
    post(std::move(parameters), MP3_NOTIFY_MASK_STREAM);
    if (!m_source->warning().empty())
        postError(MP3_SOURCE_INPUT, MP3DEC_ERR_TRUNCATED, m_source->warning());
    ack(command);
}

void Player::closeInput(bool reportStop)
{
    if (!m_source)
        return;
    m_output->pause(true);
    m_output->clear();
    m_startPending = false;
    if (m_state != State::Stopped) {
        if (reportStop)
            setState(State::Stopped);
        else
            m_state = State::Stopped;
    }
    m_source.reset();
    m_inputName.clear();
    m_drainUntil.reset();
    if (m_drainCommand)
        ack(*std::exchange(m_drainCommand, std::nullopt));
    postState(MP3_NOTIFY_INPUT_STATE, MP3_INPUT_STATE_CLOSED, MP3_NOTIFY_MASK_STATE);
}

void Player::play(Command& command)
{
    if (!m_source)
        return nack(command, MP3DEC_ERR_NO_INPUT);
    if (m_state == State::Playing)
        return ack(command);
    std::string error;
    if (!m_output->ensure(m_source->rate(), m_source->channels(), m_outputName, error)) {
        postError(MP3_SOURCE_OUTPUT, MP3DEC_ERR_OUTPUT, error);
        return nack(command, MP3DEC_ERR_OUTPUT);
    }
    if (m_state == State::Ended)
        seekTo(0);
    setState(State::Playing);
    // The output starts in the run loop, after the commands sent with this
    // one (the volume, the equaliser) have been served and the output filled:
    // playback begins with sound, at the level in effect.
    m_startPending = true;
    m_firstBufferPending = true;
    m_firstBufferSince = command.sent;
    ack(command);
}

void Player::seekTo(int64_t frame)
{
    m_output->clear();
    if (!m_source->seek(frame)) {
        postError(MP3_SOURCE_INPUT, MP3DEC_ERR_DECODE, "Cannot seek in \"" + m_inputName + "\"");
        frame = 0;
        m_source->seek(0);
    }
    m_pcm.reset();
    m_decoded = frame;
    m_endOfInput = false;
    m_lastOffset = -1;
    m_lastTimeUnit = -1;
}

void Player::pump()
{
    const long target = long(int64_t(m_source->rate()) * kQueueMilliseconds / 1000);
    // A bounded amount per call, so commands and reports are served in
    // between even when the output takes audio faster than it plays.
    for (int chunk = 0; chunk < 16 && !m_endOfInput && m_output->queuedFrames() < target; ++chunk) {
        SourceError error;
        const long frames = m_source->read(m_buffer.data(), kChunkFrames, error);
        if (frames < 0) {
            postError(MP3_SOURCE_CODEC, error.code, error.message + " in \"" + m_inputName + "\"");
            m_endOfInput = true;
            break;
        }
        if (frames == 0) {
            m_endOfInput = true;
            break;
        }
        m_pcm.process(m_buffer.data(), frames);
        m_output->queue(m_buffer.data(), frames);
        m_decoded += frames;
        if (m_firstBufferPending) {
            m_firstBufferPending = false;
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_firstBufferSince);
            postDebug(1, "first buffer queued " + std::to_string(us.count()) + " us after the command");
        }
    }
    if (m_endOfInput && m_output->queuedFrames() == 0) {
        m_decoded = std::max<int64_t>(m_decoded, m_source->totalFrames());
        report();
        m_output->pause(true);
        setState(State::Ended);
    }
}

std::chrono::microseconds Player::untilNextWork() const
{
    // Sleep until the output needs more audio, or the next position or time
    // code is due, whichever comes first: few wake-ups, yet every report on time.
    using std::chrono::microseconds;
    if (!m_source || m_state != State::Playing)
        return microseconds(5000);
    if (m_output->queuedFrames() == 0 && !m_endOfInput)
        return microseconds(0); // an output that takes everything at once
    const int64_t rate = m_source->rate();
    const int64_t queued = m_output->queuedFrames();
    const int64_t heard = m_decoded - queued;
    // Refill as soon as one chunk fits, keeping most of the queue as a margin
    // against a late wake-up.
    int64_t frames = m_endOfInput ? queued : queued - (rate * kQueueMilliseconds / 1000 - kChunkFrames);
    const int64_t total = std::max<int64_t>(1, m_source->totalFrames());
    const int64_t r = range();
    if (m_lastOffset >= 0 && m_lastOffset < r)
        frames = std::min(frames, int64_t((__int128)(m_lastOffset + 1) * total / r + 1) - heard);
    if (m_lastTimeUnit >= 0)
        frames = std::min(frames, (m_lastTimeUnit + 1) * m_granularityMs * rate / 1000 - heard);
    return microseconds(std::clamp<int64_t>(frames * 1000000 / rate, 1000, 20000));
}

uint32_t Player::range() const
{
    if (m_customRange > 0)
        return uint32_t(m_customRange);
    if (!m_source)
        return 1;
    const int64_t tenths = (m_source->totalFrames() * 10 + m_source->rate() - 1) / m_source->rate();
    return uint32_t(std::clamp<int64_t>(tenths, 1, UINT32_MAX));
}

void Player::report()
{
    if (!m_source)
        return;
    const int64_t total = std::max<int64_t>(1, m_source->totalFrames());
    const int64_t heard = std::clamp<int64_t>(m_decoded - m_output->queuedFrames(), 0, total);
    const uint32_t r = range();
    const int64_t offset = std::min<int64_t>(r, int64_t((__int128)heard * r / total));
    if (offset != m_lastOffset) {
        // Every value once while playback moves forward; a jump otherwise.
        int64_t from = offset;
        if (m_lastOffset >= 0 && offset > m_lastOffset && offset - m_lastOffset <= kMaxStepsPerReport)
            from = m_lastOffset + 1;
        for (int64_t o = from; o <= offset; ++o) {
            auto e = make(MP3_NOTIFY_INPUT_POSITION);
            e->message.data.position = {uint32_t(o), r};
            post(std::move(e), MP3_NOTIFY_MASK_POSITION);
        }
        m_lastOffset = offset;
    }
    const int64_t ms = heard * 1000 / m_source->rate();
    const int64_t unit = ms / m_granularityMs;
    if (unit != m_lastTimeUnit) {
        m_lastTimeUnit = unit;
        const int64_t at = unit * m_granularityMs;
        auto e = make(MP3_NOTIFY_INPUT_TIMECODE);
        e->message.data.timecode = {uint8_t(std::min<int64_t>(at / 3600000, 255)), uint8_t(at / 60000 % 60),
                                    uint8_t(at / 1000 % 60), uint8_t(at % 1000 / 10)};
        post(std::move(e), MP3_NOTIFY_MASK_TIMECODE);
    }
    if (m_drainUntil && (heard >= *m_drainUntil || m_state != State::Playing)) {
        m_drainUntil.reset();
        ack(*std::exchange(m_drainCommand, std::nullopt));
    }
}

void Player::applyVolume()
{
    const float master = m_muted ? 0.0f : levelGain(m_master) * levelGain(m_pcmLevel);
    const float left = std::min(1.0f, (100 - m_balance) / 50.0f);
    const float right = std::min(1.0f, m_balance / 50.0f);
    m_output->setGains(master * left, master * right);
}

void Player::applyEqualizer()
{
    float gains[2][32];
    for (int band = 0; band < 32; ++band) {
        const auto factor = [](int8_t v) {
            return v == 0 ? 1.0f : float(std::pow(10.0, std::clamp<int>(v, -80, 80) * 0.15 / 20.0));
        };
        gains[0][band] = factor(m_equalizer.left[band]);
        gains[1][band] = factor(m_equalizer.right[band]);
    }
    const bool decoderEqualises = m_source && m_source->setEqualizer(gains);
    m_pcm.setEqualizer(gains, decoderEqualises || !m_source);
}

void Player::setState(State state)
{
    m_state = state;
    const uint8_t code = state == State::Stopped   ? MP3_PLAYER_STATE_STOPPED
                         : state == State::Playing ? MP3_PLAYER_STATE_PLAYING
                         : state == State::Paused  ? MP3_PLAYER_STATE_PAUSED
                                                   : MP3_PLAYER_STATE_EOS;
    postState(MP3_NOTIFY_PLAYER_STATE, code, MP3_NOTIFY_MASK_STATE);
}

} // namespace mp3dec
