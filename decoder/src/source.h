// Decoded audio sources: MP3 through libmpg123, WAV through libsndfile. Both
// deliver interleaved signed 16-bit frames at the stream's own rate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mp3dec {

struct SourceError
{
    int code = 0;          // an MP3DEC_ERR_* code
    std::string message;   // readable, names the file
};

class Source
{
public:
    virtual ~Source() = default;

    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    int64_t totalFrames() const { return m_totalFrames; }
    int bitrateKbps() const { return m_bitrateKbps; }
    virtual const char* mimeType() const = 0;
    virtual int moduleId() const = 0;

    // Reads up to `frames` frames. Returns the number read, 0 at the end of
    // the stream, or -1 with `error` filled when decoding fails.
    virtual long read(int16_t* out, long frames, SourceError& error) = 0;
    // Moves to a frame (sample-accurate). False when the stream cannot seek there.
    virtual bool seek(int64_t frame) = 0;
    // Sets per-band gains (linear factors, [channel][band]); returns false
    // when the source does not equalise itself and the player must.
    virtual bool setEqualizer(const float (&)[2][32]) { return false; }
    // A problem worth telling the user that does not stop playback.
    const std::string& warning() const { return m_warning; }

protected:
    int m_rate = 0;
    int m_channels = 0;
    int64_t m_totalFrames = 0;
    int m_bitrateKbps = 0;
    std::string m_warning;
};

// Opens an MP3 or WAV file, told apart by its content. Returns null and fills
// `error` when the file cannot be played.
std::unique_ptr<Source> openSource(const std::string& path, SourceError& error);

} // namespace mp3dec
