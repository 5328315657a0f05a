#include "output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mp3dec {

namespace {

// SDL's audio start also starts its event system, which by default takes
// SIGINT and SIGTERM for itself: the host program would no longer end on
// them. A library leaves the host's signals alone.
int initAudio()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO);
}

} // namespace

void applyGains(const int16_t* in, int16_t* out, size_t count, int channels, float left, float right)
{
    if (left == 1.0f && right == 1.0f) {
        std::memcpy(out, in, count * sizeof(int16_t)); // bit-exact pass-through
        return;
    }
    const float mono = std::min(left, right);
    for (size_t i = 0; i < count; ++i) {
        const size_t channel = channels > 0 ? i % size_t(channels) : 0;
        const float gain = channels == 1 ? mono : channel == 0 ? left : right;
        const float v = std::nearbyint(float(in[i]) * gain);
        out[i] = int16_t(std::clamp(v, -32768.0f, 32767.0f));
    }
}

Output::Output()
{
    m_initialised = initAudio() == 0;
}

Output::~Output()
{
    close();
    if (m_initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Output::ensure(int rate, int channels, const std::string& device, std::string& error)
{
    if (isOpen() && m_rate == rate && m_channels == channels && m_deviceName == device)
        return true;
    close();
    if (device == "null") {
        m_null = true;
        m_rate = rate;
        m_channels = channels;
        m_deviceName = device;
        return true;
    }
    if (!m_initialised && initAudio() != 0) {
        error = std::string("No audio system: ") + SDL_GetError();
        return false;
    }
    m_initialised = true;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(channels);
    want.samples = 1024;
    want.callback = &Output::feed;
    want.userdata = this;
    SDL_AudioSpec have{};
    // The channel count is read by the callback, which may run as soon as the device is open.
    m_channels = channels;
    // No changes allowed: SDL converts to whatever the device needs, so what
    // we hand over is exactly what was decoded.
    m_device = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &want, &have, 0);
    if (!m_device) {
        error = std::string("Cannot open the audio output: ") + SDL_GetError();
        return false;
    }
    m_rate = rate;
    m_deviceName = device;
    return true;
}

void Output::close()
{
    if (m_device)
        SDL_CloseAudioDevice(m_device); // waits for the callback to end
    m_device = 0;
    m_null = false;
    clear();
}

void Output::queue(const int16_t* frames, long count)
{
    if (!m_device || count <= 0)
        return;
    std::lock_guard lock(m_mutex);
    // Drop what the device has taken before growing, so the queue stays at
    // the few thousand frames the player keeps waiting.
    m_fifo.erase(m_fifo.begin(), m_fifo.begin() + std::ptrdiff_t(m_read));
    m_read = 0;
    m_fifo.insert(m_fifo.end(), frames, frames + count * m_channels);
}

long Output::queuedFrames() const
{
    if (!m_device)
        return 0;
    std::lock_guard lock(m_mutex);
    return long((m_fifo.size() - m_read) / size_t(m_channels));
}

void Output::clear()
{
    std::lock_guard lock(m_mutex);
    m_fifo.clear();
    m_read = 0;
}

void Output::setGains(float left, float right)
{
    std::lock_guard lock(m_mutex);
    m_gain[0] = left;
    m_gain[1] = right;
}

void Output::feed(void* self, Uint8* stream, int bytes)
{
    auto* output = static_cast<Output*>(self);
    auto* out = reinterpret_cast<int16_t*>(stream);
    const size_t wanted = size_t(bytes) / sizeof(int16_t);
    std::lock_guard lock(output->m_mutex);
    const size_t taken = std::min(wanted, output->m_fifo.size() - output->m_read);
    applyGains(output->m_fifo.data() + output->m_read, out, taken, output->m_channels, output->m_gain[0],
               output->m_gain[1]);
    output->m_read += taken;
    // Running short (the end of a stream): silence for the rest.
    std::memset(out + taken, 0, (wanted - taken) * sizeof(int16_t));
}

void Output::pause(bool paused)
{
    if (m_device)
        SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

} // namespace mp3dec
