#include "output.h"

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
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device needs, so what
    // we queue is exactly what was decoded.
    m_device = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &want, &have, 0);
    if (!m_device) {
        error = std::string("Cannot open the audio output: ") + SDL_GetError();
        return false;
    }
    m_rate = rate;
    m_channels = channels;
    m_deviceName = device;
    return true;
}

void Output::close()
{
    if (m_device)
        SDL_CloseAudioDevice(m_device);
    m_device = 0;
    m_null = false;
}

void Output::queue(const int16_t* frames, long count)
{
    if (m_device && count > 0)
        SDL_QueueAudio(m_device, frames, Uint32(count * m_channels * long(sizeof(int16_t))));
}

long Output::queuedFrames() const
{
    return m_device ? long(SDL_GetQueuedAudioSize(m_device) / (sizeof(int16_t) * size_t(m_channels))) : 0;
}

void Output::clear()
{
    if (m_device)
        SDL_ClearQueuedAudio(m_device);
}

void Output::pause(bool paused)
{
    if (m_device)
        SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

} // namespace mp3dec
