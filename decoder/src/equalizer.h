// A 32-band equaliser of our own for streams whose decoder cannot equalise
// (WAV): one peaking filter per band, band i covering i/32..(i+1)/32 of the
// Nyquist range, on each channel.
#pragma once

#include <cstdint>
#include <vector>

namespace mp3dec {

class BandEqualizer
{
public:
    // Gains are linear factors per [channel][band]; the right-hand set also
    // serves every channel after the second.
    void configure(int rate, int channels, const float (&gains)[2][32]);
    bool active() const { return !m_filters.empty(); }
    void reset();
    // Filters interleaved float frames in place.
    void process(float* samples, long frames);

private:
    struct Biquad
    {
        int channel;
        double b0, b1, b2, a1, a2;
        double z1 = 0, z2 = 0;
    };
    int m_channels = 0;
    std::vector<Biquad> m_filters;
};

// Applies the equaliser to interleaved 16-bit frames when the decoder does
// not; leaves the samples untouched when it is flat. (The volume is applied
// by the output, as the frames leave.)
class PcmProcessor
{
public:
    void configure(int rate, int channels);
    void setEqualizer(const float (&gains)[2][32], bool decoderEqualises);
    void reset() { m_eq.reset(); }
    void process(int16_t* samples, long frames);

private:
    int m_rate = 0;
    int m_channels = 0;
    float m_eqGains[2][32] = {};
    bool m_decoderEqualises = true;
    BandEqualizer m_eq;
    std::vector<float> m_work;
};

} // namespace mp3dec
