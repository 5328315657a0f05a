#include "source.h"

#include "mp3dec.h"

#include <mpg123.h>
#include <sndfile.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace mp3dec {

namespace {

SourceError makeError(int code, const std::string& path, const std::string& reason)
{
    return {code, "Cannot play \"" + path + "\": " + reason};
}

// The size a leading ID3v2 tag claims (its header, body and footer), or 0
// when the file does not start with one. The size is four 7-bit bytes.
int64_t leadingId3v2Size(const std::string& path)
{
    unsigned char head[10];
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got != sizeof head || std::memcmp(head, "ID3", 3) != 0 || head[3] == 0xFF || head[4] == 0xFF)
        return 0;
    int64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80)
            return 0; // not a tag size: no tag
        body = body << 7 | head[i];
    }
    const bool footer = head[5] & 0x10;
    return 10 + body + (footer ? 10 : 0);
}

class Mp3Source final : public Source
{
public:
    ~Mp3Source() override
    {
        if (m_handle) {
            mpg123_close(m_handle);
            mpg123_delete(m_handle);
        }
    }

    bool open(const std::string& path, int64_t fileSize, SourceError& error)
    {
        // A tag claiming more than the file holds is damaged, and libmpg123
        // would take the memory it claims (up to 256 MiB) before reading it.
        if (const int64_t tag = leadingId3v2Size(path); tag > fileSize) {
            error = makeError(MP3DEC_ERR_DECODE, path,
                              "its ID3v2 tag claims " + std::to_string(tag) + " bytes, more than the file's " +
                                  std::to_string(fileSize));
            return false;
        }
        int err = MPG123_OK;
        m_handle = mpg123_new(nullptr, &err);
        if (!m_handle) {
            error = makeError(MP3DEC_ERR_NO_MEMORY, path, mpg123_plain_strerror(err));
            return false;
        }
        // Gapless: encoder delay and padding are cut, so the stream is
        // exactly the encoded samples and seeks are sample-accurate.
        // Tags are skipped, never stored: nothing here reads them, and a tag
        // inside the stream would otherwise be read whole into memory.
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
        mpg123_format_none(m_handle);
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

        if (mpg123_open(m_handle, path.c_str()) != MPG123_OK) {
            error = makeError(MP3DEC_ERR_OPEN_FAILED, path, mpg123_strerror(m_handle));
            return false;
        }
        // A full scan gives the exact length and a seek index.
        mpg123_scan(m_handle);
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
            channels <= 0) {
            error = makeError(MP3DEC_ERR_DECODE, path, "no MPEG audio found in the file");
            return false;
        }
        mpg123_format_none(m_handle);
        mpg123_format(m_handle, rate, channels, MPG123_ENC_SIGNED_16);
        const off_t length = mpg123_length(m_handle);
        if (length <= 0) {
            error = makeError(MP3DEC_ERR_DECODE, path, "the MPEG stream holds no audio");
            return false;
        }
        m_rate = int(rate);
        m_channels = channels;
        m_totalFrames = length;

        mpg123_frameinfo info{};
        if (mpg123_info(m_handle, &info) == MPG123_OK && info.vbr == MPG123_CBR && info.bitrate > 0) {
            m_bitrateKbps = info.bitrate;
        } else {
            // Variable bit rate: the average over the whole audio part.
            struct stat st{};
            const double seconds = double(length) / rate;
            if (stat(path.c_str(), &st) == 0 && seconds > 0)
                m_bitrateKbps = int(std::lround(double(st.st_size) * 8 / seconds / 1000));
        }
        return true;
    }

    const char* mimeType() const override { return "audio/mpeg"; }
    int moduleId() const override { return 0; }

    long read(int16_t* out, long frames, SourceError& error) override
    {
        const size_t frameBytes = sizeof(int16_t) * size_t(m_channels);
        size_t filled = 0;
        while (filled < size_t(frames) * frameBytes) {
            size_t done = 0;
            const int rc = mpg123_read(m_handle, reinterpret_cast<unsigned char*>(out) + filled,
                                       size_t(frames) * frameBytes - filled, &done);
            filled += done;
            if (rc == MPG123_DONE)
                break;
            if (rc == MPG123_NEW_FORMAT || rc == MPG123_OK)
                continue;
            if (filled > 0)
                break; // hand out what we have; the error comes back on the next read
            error = {MP3DEC_ERR_DECODE, std::string("Decoding failed: ") + mpg123_strerror(m_handle)};
            return -1;
        }
        return long(filled / frameBytes);
    }

    bool seek(int64_t frame) override { return mpg123_seek(m_handle, off_t(frame), SEEK_SET) >= 0; }

    bool setEqualizer(const float (&gains)[2][32]) override
    {
        bool flat = true;
        for (const auto& channel : gains) {
            for (float g : channel)
                flat = flat && g == 1.0f;
        }
        // A flat equaliser is switched off, so the decoder's output stays bit-exact.
        if (flat) {
            mpg123_reset_eq(m_handle);
            return true;
        }
        for (int band = 0; band < 32; ++band) {
            mpg123_eq(m_handle, MPG123_LEFT, band, gains[0][band]);
            mpg123_eq(m_handle, MPG123_RIGHT, band, gains[1][band]);
        }
        return true;
    }

private:
    mpg123_handle* m_handle = nullptr;
};

// What a RIFF/WAVE header says about its data chunk, read by hand so that a
// header claiming more data than the file holds can be reported.
struct WaveLayout
{
    bool found = false;
    uint64_t claimed = 0;
    uint64_t available = 0;
};

WaveLayout readWaveLayout(const std::string& path)
{
    WaveLayout layout;
    std::ifstream in(path, std::ios::binary);
    char riff[12];
    if (!in.read(riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return layout;
    in.seekg(0, std::ios::end);
    const uint64_t fileSize = uint64_t(in.tellg());
    uint64_t pos = 12;
    // Walk the chunks, never beyond the file and never more than a few thousand.
    for (int guard = 0; guard < 4096 && pos + 8 <= fileSize; ++guard) {
        in.seekg(std::streamoff(pos));
        unsigned char header[8];
        if (!in.read(reinterpret_cast<char*>(header), 8))
            break;
        const uint32_t size = uint32_t(header[4]) | uint32_t(header[5]) << 8 | uint32_t(header[6]) << 16 |
                              uint32_t(header[7]) << 24;
        if (std::memcmp(header, "data", 4) == 0) {
            layout.found = true;
            layout.claimed = size;
            layout.available = fileSize - (pos + 8);
            break;
        }
        pos += 8 + uint64_t(size) + (size & 1);
    }
    return layout;
}

int bitsPerSample(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: case SF_FORMAT_ULAW: case SF_FORMAT_ALAW: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: case SF_FORMAT_FLOAT: return 32;
    case SF_FORMAT_DOUBLE: return 64;
    case SF_FORMAT_IMA_ADPCM: case SF_FORMAT_MS_ADPCM: return 4;
    default: return 16;
    }
}

class WavSource final : public Source
{
public:
    ~WavSource() override
    {
        if (m_file)
            sf_close(m_file);
    }

    bool open(const std::string& path, SourceError& error)
    {
        SF_INFO info{};
        m_file = sf_open(path.c_str(), SFM_READ, &info);
        if (!m_file) {
            error = makeError(MP3DEC_ERR_OPEN_FAILED, path, sf_strerror(nullptr));
            return false;
        }
        if (info.channels < 1 || info.channels > 8 || info.samplerate < 1000 || info.samplerate > 384000) {
            error = makeError(MP3DEC_ERR_DECODE, path, "unsupported channel count or sample rate");
            return false;
        }
        if (info.frames <= 0) {
            error = makeError(MP3DEC_ERR_DECODE, path, "the file holds no audio");
            return false;
        }
        sf_command(m_file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
        m_rate = info.samplerate;
        m_channels = info.channels;
        m_totalFrames = info.frames;
        m_bitrateKbps = int(int64_t(info.samplerate) * info.channels * bitsPerSample(info.format) / 1000);
        const WaveLayout layout = readWaveLayout(path);
        if (layout.found && layout.claimed > layout.available)
            m_warning = "\"" + path + "\" is shorter than its header says (" + std::to_string(layout.claimed) +
                        " bytes of audio claimed, " + std::to_string(layout.available) +
                        " present); playing what is there";
        return true;
    }

    const char* mimeType() const override { return "audio/x-wav"; }
    int moduleId() const override { return 1; }

    long read(int16_t* out, long frames, SourceError& error) override
    {
        const sf_count_t got = sf_readf_short(m_file, out, frames);
        if (got < 0 || (got == 0 && sf_error(m_file) != SF_ERR_NO_ERROR)) {
            error = {MP3DEC_ERR_DECODE, std::string("Reading failed: ") + sf_strerror(m_file)};
            return -1;
        }
        return long(got);
    }

    bool seek(int64_t frame) override { return sf_seek(m_file, sf_count_t(frame), SEEK_SET) >= 0; }

private:
    SNDFILE* m_file = nullptr;
};

bool looksLikeWave(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char magic[12] = {};
    in.read(magic, 12);
    return (std::memcmp(magic, "RIFF", 4) == 0 || std::memcmp(magic, "RIFX", 4) == 0 ||
            std::memcmp(magic, "RF64", 4) == 0) &&
           std::memcmp(magic + 8, "WAVE", 4) == 0;
}

} // namespace

std::unique_ptr<Source> openSource(const std::string& path, SourceError& error)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        error = makeError(MP3DEC_ERR_OPEN_FAILED, path, std::strerror(errno));
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = makeError(MP3DEC_ERR_OPEN_FAILED, path, "not a regular file");
        return nullptr;
    }
    if (st.st_size == 0) {
        error = makeError(MP3DEC_ERR_DECODE, path, "the file is empty");
        return nullptr;
    }
    if (looksLikeWave(path)) {
        auto wav = std::make_unique<WavSource>();
        return wav->open(path, error) ? std::move(wav) : nullptr;
    }
    auto mp3 = std::make_unique<Mp3Source>();
    return mp3->open(path, st.st_size, error) ? std::move(mp3) : nullptr;
}

} // namespace mp3dec
