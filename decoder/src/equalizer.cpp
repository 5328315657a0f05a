#include "equalizer.h"

#include <algorithm>
#include <cmath>

namespace mp3dec {

void BandEqualizer::configure(int rate, int channels, const float (&gains)[2][32])
{
    m_channels = channels;
    m_filters.clear();
    const double nyquist = rate / 2.0;
    for (int channel = 0; channel < channels; ++channel) {
        for (int band = 0; band < 32; ++band) {
            const float gain = gains[std::min(channel, 1)][band];
            if (gain == 1.0f)
                continue; // a flat band costs nothing
            const double low = band * nyquist / 32;
            const double high = (band + 1) * nyquist / 32;
            const double centre = band == 0 ? high / 2 : std::sqrt(low * high);
            const double q = centre / (high - low);
            const double a = std::sqrt(double(gain)); // amplitude for a peaking filter
            const double w0 = 2 * M_PI * centre / rate;
            const double alpha = std::sin(w0) / (2 * q);
            const double a0 = 1 + alpha / a;
            m_filters.push_back({channel, (1 + alpha * a) / a0, -2 * std::cos(w0) / a0, (1 - alpha * a) / a0,
                                 -2 * std::cos(w0) / a0, (1 - alpha / a) / a0});
        }
    }
}

void BandEqualizer::reset()
{
    for (Biquad& f : m_filters)
        f.z1 = f.z2 = 0;
}

void BandEqualizer::process(float* samples, long frames)
{
    for (Biquad& f : m_filters) {
        float* s = samples + f.channel;
        for (long i = 0; i < frames; ++i, s += m_channels) {
            // Transposed direct form II.
            const double in = *s;
            const double out = f.b0 * in + f.z1;
            f.z1 = f.b1 * in - f.a1 * out + f.z2;
            f.z2 = f.b2 * in - f.a2 * out;
            *s = float(out);
        }
    }
}

void PcmProcessor::configure(int rate, int channels)
{
    m_rate = rate;
    m_channels = channels;
    m_eq = BandEqualizer();
    if (!m_decoderEqualises && rate > 0 && channels > 0)
        m_eq.configure(rate, channels, m_eqGains);
}

void PcmProcessor::setEqualizer(const float (&gains)[2][32], bool decoderEqualises)
{
    std::copy(&gains[0][0], &gains[0][0] + 64, &m_eqGains[0][0]);
    m_decoderEqualises = decoderEqualises;
    configure(m_rate, m_channels);
}

void PcmProcessor::process(int16_t* samples, long frames)
{
    if (!m_eq.active())
        return; // bit-exact pass-through
    const size_t count = size_t(frames) * size_t(m_channels);
    m_work.resize(count);
    std::transform(samples, samples + count, m_work.begin(), [](int16_t s) { return float(s); });
    m_eq.process(m_work.data(), frames);
    std::transform(m_work.begin(), m_work.end(), samples,
                   [](float v) { return int16_t(std::clamp(std::nearbyint(v), -32768.0f, 32767.0f)); });
}

} // namespace mp3dec
