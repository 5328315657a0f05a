// Audio output through SDL2: a device opened at the stream's format, fed by
// queueing 16-bit frames. The device name "null" takes audio as fast as it
// comes and drops it (for measuring the decoder, and for machines without sound).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

namespace mp3dec {

class Output
{
public:
    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Opens (or keeps) a paused device for the format. False with `error` set on failure.
    bool ensure(int rate, int channels, const std::string& device, std::string& error);
    void close();
    bool isOpen() const { return m_device != 0 || m_null; }
    int channels() const { return m_channels; }

    void queue(const int16_t* frames, long count);
    // Frames handed to the output and not yet played.
    long queuedFrames() const;
    void clear();
    void pause(bool paused);

private:
    bool m_initialised = false;
    SDL_AudioDeviceID m_device = 0;
    bool m_null = false;
    int m_rate = 0;
    int m_channels = 0;
    std::string m_deviceName;
};

} // namespace mp3dec
