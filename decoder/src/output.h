// Audio output through SDL2: a device opened at the stream's format, fed
// from a queue of 16-bit frames of our own by SDL's audio callback. The
// channel gains are applied in the callback, as the frames leave for the
// device, so a volume change is heard at once and not after the audio
// already waiting. The device name "null" takes audio as fast as it comes
// and drops it (for measuring the decoder, and for machines without sound).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace mp3dec {

// Scales `count` interleaved samples of `channels` channels from `in` to
// `out` by the left and right gains; every channel after the second takes
// the right gain, and mono the quieter of the two, so the balance never
// makes it louder. Unity gains copy the samples unchanged.
void applyGains(const int16_t* in, int16_t* out, size_t count, int channels, float left, float right);

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
    // Frames handed to the output and not yet taken by the device.
    long queuedFrames() const;
    void clear();
    void pause(bool paused);
    // Linear gains for the left and right channel; they hold across devices.
    void setGains(float left, float right);

private:
    static void SDLCALL feed(void* self, Uint8* stream, int bytes);

    bool m_initialised = false;
    SDL_AudioDeviceID m_device = 0;
    bool m_null = false;
    int m_rate = 0;
    int m_channels = 0;
    std::string m_deviceName;

    // Shared with SDL's audio thread.
    mutable std::mutex m_mutex;
    std::vector<int16_t> m_fifo;
    size_t m_read = 0; // samples of m_fifo already taken
    float m_gain[2] = {1.0f, 1.0f};
};

} // namespace mp3dec
