// The eight sliders, the equaliser built from the six tone sliders, and the
// time, length and bit-rate displays fed by the decoder.
#include "vimboform.h"

#include "ui/skincontrols.h"

#include <QLabel>
#include <QPainter>

using namespace vimbo;

void TVimboForm::wireSliders()
{
    for (TSkinSlider* s : {BassSlider, Bass2Slider, MidSlider, Mid2Slider, TrebleSlider, Treble2Slider, VolumeSlider}) {
        s->OnMouseDown = [this, s](int x, int y) { LevelDown(s, x, y); };
        s->OnMouseMove = [this, s](int x, int y) { LevelMove(s, x, y); };
        s->OnMouseUp = [this, s](int x, int y) { LevelUp(s, x, y); };
    }
    TrackSlider->OnMouseDown = [this](int x, int y) { TrackDown(x, y); };
    TrackSlider->OnMouseMove = [this](int x, int y) { TrackMove(x, y); };
    TrackSlider->OnMouseUp = [this](int x, int y) { TrackUp(x, y); };
    for (TSkinSlider* s : {BassSlider, Bass2Slider, MidSlider, Mid2Slider, TrebleSlider, Treble2Slider, VolumeSlider,
                           TrackSlider})
        s->OnPaint = [this, s](QPainter& painter) { paintSlider(s, painter); };

    Playback.ApplyEqualizer = [this] { ApplyEqualizer(); };
    Player.OnNotifyInputTimecode = [this](TMp3DecPlayer*, quint8 h, quint8 m, quint8 s, quint8 f) {
        SetTime(h, m, s, f);
    };
    Player.OnNotifyStreamDuration = [this](TMp3DecPlayer*, quint32 d) { StreamDuration(d); };
    Player.OnNotifyStreamParameters = [this](TMp3DecPlayer*, quint32 f, qint16 b, quint8 c) { StreamParams(f, b, c); };
    Player.OnNotifyInputPosition = [this](TMp3DecPlayer*, quint32 o, quint32 r) { TrackPosition(o, r); };
}

std::optional<TVimboForm::LevelSlider> TVimboForm::levelSlider(const TSkinSlider* control)
{
    const LevelSlider all[] = {
        {VolumeSlider, &Playback.VolumeLevel, 100, "Volume"},
        {BassSlider, &Bass, 160, "Bass"},
        {Bass2Slider, &Bass2, 160, "Bass2"},
        {MidSlider, &Mid, 160, "Mid"},
        {Mid2Slider, &Mid2, 160, "Mid2"},
        {TrebleSlider, &Treble, 160, "Treble"},
        {Treble2Slider, &Treble2, 160, "Treble2"},
    };
    for (const LevelSlider& s : all) {
        if (s.control == control)
            return s;
    }
    return std::nullopt;
}

void TVimboForm::LevelDown(TSkinSlider* slider, int X, int Y)
{
    slider->Dragging = true;
    LevelMove(slider, X, Y);
}

void TVimboForm::LevelMove(TSkinSlider* slider, int X, int Y)
{
    Q_UNUSED(X);
    const auto level = levelSlider(slider);
    // A slider the skin made flat has no scale to read a value from.
    if (!level || !slider->Dragging || slider->height() <= 0)
        return;
    const double h = slider->height();
    *level->value = Nearest(level->maximum - Y / h * level->maximum);
    m_settingsKey.writeInteger(QString::fromLatin1(level->setting), *level->value);
    // The volume follows the drag at once, a CD track's too: its sound
    // passes through the player.
    if (slider == VolumeSlider)
        ApplyVolume();
    slider->update();
}

void TVimboForm::ApplyVolume()
{
    if (Playback.MediaKind == mkCd)
        CdPlayer.SetVolume(Playback.VolumeLevel);
    else
        Player.SetOutputVolume(-1, Playback.VolumeLevel, -1);
}

void TVimboForm::LevelUp(TSkinSlider* slider, int, int)
{
    slider->Dragging = false;
    slider->update();
    if (slider != VolumeSlider)
        ApplyEqualizer();
}

void TVimboForm::TrackDown(int X, int Y)
{
    if (Playback.IsPlaying) {
        if (Playback.MediaKind == mkCd) {
            if (Playback.PauseOrResumeCd)
                Playback.PauseOrResumeCd();
        } else {
            Player.Pause();
        }
        TrackSlider->Dragging = true;
    }
    TrackMove(X, Y);
}

void TVimboForm::TrackMove(int X, int)
{
    if (!TrackSlider->Dragging || TrackSlider->width() <= 0)
        return;
    PositionValue = Nearest(X / double(TrackSlider->width()) * PositionRange);
    TrackSlider->update();
}

void TVimboForm::TrackUp(int, int)
{
    // Also without a drag: a click starts playing at the last known place.
    TrackSlider->Dragging = false;
    TrackSlider->update();
    if (Playback.MediaKind == mkCd) {
        if (Playback.SeekCd)
            Playback.SeekCd(PositionValue);
        if (Playback.ResumeCd)
            Playback.ResumeCd();
    } else {
        Player.InputSeek(PositionValue, PositionRange);
        Player.Play();
    }
    if (m_mpris)
        m_mpris->Seeked(PositionMicroseconds());
}

void TVimboForm::paintSlider(TSkinSlider* slider, QPainter& painter)
{
    qint32 value = PositionValue, maximum = PositionRange;
    if (const auto level = levelSlider(slider)) {
        value = *level->value;
        maximum = level->maximum;
    }
    DrawSlider(painter, value, maximum, slider->size(), slider->Dragging, slider->Vertical,
               {ToQColor(SkinColor.Unactive), ToQColor(SkinColor.Border), ToQColor(SkinColor.Active),
                ToQColor(SkinColor.Clicked)});
}

void TVimboForm::RedrawSlider(const QString& name)
{
    const std::pair<const char*, TSkinSlider*> sliders[] = {
        {"Volume", VolumeSlider}, {"Track", TrackSlider},   {"Mid2", Mid2Slider}, {"Treble2", Treble2Slider},
        {"Bass2", Bass2Slider},   {"Mid", MidSlider},       {"Treble", TrebleSlider}, {"Bass", BassSlider},
    };
    for (const auto& [sliderName, slider] : sliders) {
        if (name == QLatin1String(sliderName))
            slider->update();
    }
}

void TVimboForm::RedrawAllSliders()
{
    for (const char* name : {"Track", "Volume", "Mid", "Treble", "Bass", "Mid2", "Treble2", "Bass2"})
        RedrawSlider(QString::fromLatin1(name));
}

void TVimboForm::ApplyEqualizer()
{
    // Bands 0-1 bass, 2-3 upper bass, 4-9 mid, 10-16 upper mid, 17-24
    // treble, 25-31 upper treble; the same curve on both channels. A level
    // beyond the slider's range wraps in the 8-bit band value.
    const struct
    {
        int first, last;
        qint32 level;
    } bands[] = {{0, 1, Bass}, {2, 3, Bass2}, {4, 9, Mid}, {10, 16, Mid2}, {17, 24, Treble}, {25, 31, Treble2}};
    MP3_EqualizerInfo info{};
    for (const auto& b : bands) {
        for (int i = b.first; i <= b.last; ++i)
            info.left[i] = info.right[i] = qint8(quint8(quint32(b.level - 80) & 0xFF));
    }
    Player.SetCodecEqualizer(&info);
    Player.GetCodecEqualizer();
}

void TVimboForm::SetTime(quint8, quint8 Minutes, quint8 Seconds, quint8)
{
    TimeLabel->setText(QString::asprintf("%.2d:%.2d", Minutes, Seconds));
}

void TVimboForm::StreamDuration(quint32 Duration)
{
    const quint32 d = Duration % 3600;
    DurationLabel->setText(QString::asprintf("%.2d:%.2d", int(d / 60), int(d % 60)));
}

void TVimboForm::StreamParams(quint32, qint16 Bitrate, quint8)
{
    BitrateLabel->setText(QString::number(Bitrate));
}

void TVimboForm::TrackPosition(quint32 Offset, quint32 Range)
{
    PositionRange = qint32(Range);
    PositionValue = qint32(Offset);
    // The decoder counts tenths of a second.
    PlayingTrack.lengthUs = qint64(Range) * 100000;
    RedrawSlider(QStringLiteral("Track"));
    ShowLyricLine(PositionValue);
}
