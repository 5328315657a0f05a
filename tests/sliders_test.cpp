// The sliders: how they are drawn, what a drag does to the values, the
// settings and the real decoder, and the time displays.
#include "app/vimboform.h"
#include "support/audiofixtures.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"
#include "ui/skincontrols.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace vimbo;

namespace {

TEST(Sliders, NearestRoundsHalvesAwayFromZero)
{
    const struct
    {
        double in;
        qint32 out;
    } cases[] = {{0.5, 1},        {-0.5, -1},      {1.49, 1},          {2.5, 3},         {-2.5, -3},
                 {76.92, 77},     {406.15, 406},   {NAN, 0},           {1e20, INT_MAX},  {-1e20, INT_MIN},
                 {INFINITY, INT_MAX}};
    for (const auto& c : cases)
        EXPECT_EQ(Nearest(c.in), c.out) << c.in;
}

const SliderColors kColors{QColor(1, 1, 1), QColor(2, 2, 2), QColor(3, 3, 3), QColor(4, 4, 4)};
enum Px { U = 1, B = 2, A = 3, C = 4 };

Px at(const QImage& image, int x, int y)
{
    return Px(qRed(image.pixel(x, y)));
}

QImage draw(qint32 value, qint32 maximum, QSize size, bool dragging, bool vertical)
{
    QImage image(std::max(size.width(), 1), std::max(size.height(), 1), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    DrawSlider(painter, value, maximum, size, dragging, vertical, kColors);
    return image;
}

TEST(Sliders, DrawingFollowsTheRectangleRules)
{
    // 14 x 26 tone slider at the middle: filled = 13, bar (1,13)-(13,25).
    QImage mid = draw(80, 160, {14, 26}, false, true);
    EXPECT_EQ(at(mid, 0, 0), B);
    EXPECT_EQ(at(mid, 13, 25), B);
    EXPECT_EQ(at(mid, 1, 12), U) << "above the bar: the empty part";
    EXPECT_EQ(at(mid, 1, 13), A) << "the bar starts at row `filled`";
    EXPECT_EQ(at(mid, 12, 24), A);
    EXPECT_EQ(at(mid, 1, 25), B) << "the box's outline runs below the bar";
    EXPECT_EQ(at(mid, 13, 20), B);
    EXPECT_EQ(at(draw(80, 160, {14, 26}, true, true), 5, 20), C) << "dragging colour";

    // Horizontal, 168 wide, half way: bar (1,1)-(84,11).
    QImage track = draw(200, 400, {168, 12}, false, false);
    EXPECT_EQ(at(track, 83, 5), A);
    EXPECT_EQ(at(track, 84, 5), U);
    EXPECT_EQ(at(track, 1, 1), A);
    EXPECT_EQ(at(track, 1, 11), B);

    // No bar at either end of the range, beyond it, or without a range.
    const struct
    {
        qint32 value, maximum;
        bool vertical;
    } empty[] = {{0, 160, true}, {160, 160, true}, {406, 160, true}, {-20, 160, true},
                 {0, 400, false}, {400, 400, false}, {5, 0, false}, {5, -3, true}};
    for (const auto& e : empty) {
        const QSize size = e.vertical ? QSize(14, 26) : QSize(168, 12);
        const QImage image = draw(e.value, e.maximum, size, false, e.vertical);
        for (int y = 1; y < size.height() - 1; ++y)
            for (int x = 1; x < size.width() - 1; ++x)
                ASSERT_EQ(at(image, x, y), U) << e.value << "/" << e.maximum << " at " << x << "," << y;
    }
    // Sizes a skin may give: nothing breaks.
    for (QSize size : {QSize(0, 0), QSize(0, 26), QSize(14, 0), QSize(1, 1), QSize(2, 2), QSize(-5, -5)})
        draw(80, 160, size, false, true), draw(80, 160, size, true, false);
}

class SliderTest : public ReadyPlayerFixture
{
protected:
    void mouse(QWidget* w, QEvent::Type type, int x, int y)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
};

TEST_F(SliderTest, ToneDragWritesSettingsAndSendsTheEqualiserOnRelease)
{
    std::vector<MP3_EqualizerInfo> sent;
    form->Player.OnNotifyCodecEqualizer = [&](TMp3DecPlayer*, const MP3_EqualizerInfo& e) { sent.push_back(e); };
    QWidget* bass = form->BassSlider;
    ASSERT_EQ(bass->height(), 26);

    mouse(bass, QEvent::MouseButtonPress, 5, 13);
    EXPECT_EQ(form->Bass, 80);
    EXPECT_EQ(settings().readInteger("Bass"), 80) << "written on the press itself";
    mouse(bass, QEvent::MouseMove, 5, 0);
    EXPECT_EQ(settings().readInteger("Bass"), 160);
    mouse(bass, QEvent::MouseMove, 5, -40); // 40 pixels above the top edge
    EXPECT_EQ(form->Bass, 406);
    EXPECT_EQ(settings().readInteger("Bass"), 406) << "stored as it is";
    runEventsFor(150);
    EXPECT_TRUE(sent.empty()) << "dragging sends nothing to the decoder";

    mouse(bass, QEvent::MouseButtonRelease, 5, -40);
    for (int i = 0; i < 100 && sent.empty(); ++i)
        runEventsFor(20);
    runEventsFor(100);
    ASSERT_EQ(sent.size(), 1u) << "one equaliser on release";
    EXPECT_EQ(sent[0].left[0], 70) << "(406 - 80) wrapped to 8 bits";
    EXPECT_EQ(sent[0].right[1], 70);
    EXPECT_EQ(sent[0].left[2], 0) << "the other tones stay flat";
    EXPECT_EQ(sent[0].left[31], 0);

    // A move without a pressed slider changes nothing.
    mouse(bass, QEvent::MouseMove, 5, 26);
    EXPECT_EQ(form->Bass, 406);
}

TEST_F(SliderTest, EqualiserBandMap)
{
    std::vector<MP3_EqualizerInfo> sent;
    form->Player.OnNotifyCodecEqualizer = [&](TMp3DecPlayer*, const MP3_EqualizerInfo& e) { sent.push_back(e); };
    form->Bass = 90, form->Bass2 = 100, form->Mid = 0, form->Mid2 = 160, form->Treble = 81, form->Treble2 = 300;
    form->ApplyEqualizer();
    for (int i = 0; i < 100 && sent.empty(); ++i)
        runEventsFor(20);
    ASSERT_EQ(sent.size(), 1u);
    const qint8 expected[6] = {10, 20, -80, 80, 1, -36};
    const int firstBand[7] = {0, 2, 4, 10, 17, 25, 32};
    for (int s = 0; s < 6; ++s)
        for (int band = firstBand[s]; band < firstBand[s + 1]; ++band) {
            EXPECT_EQ(sent[0].left[band], expected[s]) << band;
            EXPECT_EQ(sent[0].right[band], expected[s]) << band;
        }
}

TEST_F(SliderTest, VolumeAndTrackWithAFilePlaying)
{
    const QString mp3 = makeMp3(makeToneWav(dir.filePath("tone.wav"), 20, {440}), dir.filePath("tone.mp3"));
    ASSERT_FALSE(mp3.isEmpty());
    std::vector<int> states;
    std::vector<std::pair<quint32, quint32>> positions;
    form->Player.OnNotifyPlayerState = [&](TMp3DecPlayer*, int state) {
        states.push_back(state);
        form->Playback.PlayerState(state);
    };
    form->Player.OnNotifyInputPosition = [&](TMp3DecPlayer*, quint32 o, quint32 r) {
        positions.emplace_back(o, r);
        form->TrackPosition(o, r);
    };
    form->Playback.PlayFile(mp3);
    // Playing, and the length known: the first position report gives the range.
    for (int i = 0; i < 500 && (!form->Playback.IsPlaying || positions.empty()); ++i)
        runEventsFor(10);
    ASSERT_TRUE(form->Playback.IsPlaying);
    ASSERT_GT(form->PositionRange, 1);

    mouse(form->VolumeSlider, QEvent::MouseButtonPress, 3, 6);
    mouse(form->VolumeSlider, QEvent::MouseButtonRelease, 3, 6);
    EXPECT_EQ(form->Playback.VolumeLevel, 77);
    EXPECT_EQ(settings().readInteger("Volume"), 77);

    // Press half way along a 168-pixel track slider: pause, then seek on release.
    ASSERT_EQ(form->TrackSlider->width(), 168);
    mouse(form->TrackSlider, QEvent::MouseButtonPress, 84, 5);
    EXPECT_TRUE(form->TrackSlider->Dragging);
    EXPECT_EQ(form->PositionValue, Nearest(84.0 / 168 * form->PositionRange));
    mouse(form->TrackSlider, QEvent::MouseMove, 400, 5); // beyond the right edge
    const qint32 beyond = form->PositionValue;
    EXPECT_GT(beyond, form->PositionRange);
    mouse(form->TrackSlider, QEvent::MouseMove, 84, 5);
    const qint32 range = form->PositionRange;
    states.clear();
    positions.clear();
    mouse(form->TrackSlider, QEvent::MouseButtonRelease, 84, 5);
    EXPECT_FALSE(form->TrackSlider->Dragging);
    for (int i = 0; i < 200 && positions.empty(); ++i)
        runEventsFor(10);
    ASSERT_FALSE(positions.empty()) << "playing again after the seek";
    EXPECT_NEAR(double(positions.front().first) / positions.front().second, 0.5, 0.05)
        << "from the middle of " << range;
    form->Playback.Stop();
}

TEST_F(SliderTest, TrackClickWithNothingPlayingStartsAtTheLastPlace)
{
    std::vector<int> states;
    form->Player.OnNotifyPlayerState = [&](TMp3DecPlayer*, int state) { states.push_back(state); };
    mouse(form->TrackSlider, QEvent::MouseButtonPress, 84, 5);
    EXPECT_FALSE(form->TrackSlider->Dragging);
    EXPECT_EQ(form->PositionValue, 1) << "no drag: the value stays";
    mouse(form->TrackSlider, QEvent::MouseButtonRelease, 84, 5);
    EXPECT_EQ(form->PositionValue, 1);
    EXPECT_EQ(form->PositionRange, 1);
}

TEST_F(SliderTest, TrackSliderAndShutdownDriveTheCd)
{
    QStringList calls;
    form->Playback.StopCd = [&] { calls << "stop"; };
    form->Playback.CloseCd = [&] { calls << "close"; };
    form->Playback.PlayCd = [&] { calls << "play"; };
    form->Playback.ResumeCd = [&] { calls << "resume"; };
    form->Playback.PauseOrResumeCd = [&] { calls << "pause or resume"; };
    form->Playback.SeekCd = [&](qint32 s) { calls << QString("seek %1").arg(s); };
    form->Playback.MediaKind = mkCd;
    form->Playback.IsPlaying = true;
    form->Playback.CdOpen = true;
    form->PositionRange = 400; // seconds, from the CD poll

    mouse(form->TrackSlider, QEvent::MouseButtonPress, 84, 5);
    EXPECT_EQ(calls, QStringList{"pause or resume"});
    mouse(form->TrackSlider, QEvent::MouseButtonRelease, 84, 5);
    EXPECT_EQ(calls, (QStringList{"pause or resume", "seek 200", "resume"}));

    calls.clear();
    form->close(); // the shutdown
    EXPECT_EQ(calls, QStringList{"close"});
    EXPECT_FALSE(form->Playback.CdOpen);
}

TEST_F(SliderTest, FlatSlidersAndDisplays)
{
    // A skin may make a slider flat: pressing it changes nothing and stops nothing.
    form->BassSlider->resize(14, 0);
    form->TrackSlider->resize(0, 12);
    const qint32 bass = form->Bass;
    form->Playback.IsPlaying = true;
    mouse(form->BassSlider, QEvent::MouseButtonPress, 3, 3);
    mouse(form->BassSlider, QEvent::MouseButtonRelease, 3, 3);
    mouse(form->TrackSlider, QEvent::MouseButtonPress, 3, 3);
    EXPECT_EQ(form->Bass, bass);
    EXPECT_EQ(form->PositionValue, 1);
    form->Playback.IsPlaying = false;
    form->BassSlider->grab();

    form->SetTime(1, 2, 3, 50);
    EXPECT_EQ(form->TimeLabel->text(), "02:03");
    form->SetTime(0, 9, 5, 0);
    EXPECT_EQ(form->TimeLabel->text(), "09:05");
    const struct
    {
        quint32 seconds;
        const char* shows;
    } durations[] = {{59, "00:59"}, {3600, "00:00"}, {3725, "02:05"}, {0, "00:00"}};
    for (const auto& d : durations) {
        form->StreamDuration(d.seconds);
        EXPECT_EQ(form->DurationLabel->text(), d.shows);
    }
    form->StreamParams(44100, 128, 2);
    EXPECT_EQ(form->BitrateLabel->text(), "128");
    form->TrackPosition(300, 600);
    EXPECT_EQ(form->PositionValue, 300);
    EXPECT_EQ(form->PositionRange, 600);
}

} // namespace
