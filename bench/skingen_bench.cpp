// Skin generator benchmark, run on demand:
//   QT_QPA_PLATFORM=offscreen build/bench/skingen_bench
// Drags one element across the preview with real mouse events (a press, 300
// moves, a release) over a skin with a 449 x 289 picture (the built-in skin's
// size) and over one of 1920 x 1200: redraws per second and the longest pause
// of the GUI thread between two events. Then, with the edited skin worn by the
// main window, the time from a change in a number field until the window's
// control stands at its new place.
#include "readyform.h"
#include "skins/skinbitmap.h"
#include "skins/skingenform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

void writeSkin(const QString& folder, const QString& name, QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(90, 90, 120));
    QPainter(&picture).fillRect(10, 10, size.width() / 2, size.height() / 2, QColor(200, 60, 60));
    QFile bmp(folder + name + ".bmp");
    if (bmp.open(QIODevice::WriteOnly))
        bmp.write(vimbo::EncodeBmp(picture));
    QFile ssk(folder + name + ".ssk");
    if (ssk.open(QIODevice::WriteOnly))
        ssk.write("[Images]\r\nMain=" + name.toUtf8() + ".bmp\r\n[Colors]\r\nTransparent=None\r\n"
                  "[12]\r\nX=20\r\nY=30\r\nW=40\r\nH=20\r\n[4]\r\nX=234\r\nY=59\r\nW=182\r\nH=213\r\n");
}

void drag(TSkinGenForm* gen, const QString& file, const char* label)
{
    gen->EditSkin(file);
    gen->ObjectList->setCurrentItem(gen->ObjectList->findItems("Pause Button", Qt::MatchExactly).value(0));
    const QSize area = gen->Image->size();
    QElapsedTimer whole, gap;
    qint64 longest = 0;
    whole.start();
    gap.start();
    QTest::mousePress(gen->Image, Qt::LeftButton, {}, QPoint(20, 20));
    const int moves = 300;
    for (int i = 0; i < moves; ++i) {
        const QPoint at(20 + i * (area.width() - 40) / moves, 20 + i * (area.height() - 40) / moves);
        QTest::mouseMove(gen->Image, at);
        QCoreApplication::processEvents();
        longest = std::max(longest, gap.nsecsElapsed());
        gap.restart();
    }
    QTest::mouseRelease(gen->Image, Qt::LeftButton, {}, QPoint(area.width() - 20, area.height() - 20));
    const double seconds = double(whole.nsecsElapsed()) / 1e9;
    std::printf("%s: %d redraws in %.3f s, %.0f redraws/s, longest GUI pause %.1f ms (preview %dx%d)\n", label, moves,
                seconds, moves / seconds, double(longest) / 1e6, area.width(), area.height());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("SDL_AUDIODRIVER", "dummy");
    auto form = makeReadyForm(dir);
    const QString skins = dir.filePath("program/Skins/");
    QDir().mkpath(skins);
    writeSkin(skins, "Small", QSize(449, 289));
    writeSkin(skins, "Large", QSize(1920, 1200));
    form->show();
    TSkinGenForm* gen = form->SkinGenForm;
    gen->resize(1280, 900);
    gen->show();
    QCoreApplication::processEvents();
    drag(gen, skins + "Small.ssk", "449 x 289 picture");
    drag(gen, skins + "Large.ssk", "1920 x 1200 picture");

    // Live editing: the worn skin's control moves.
    form->SettingsKey().writeString("Skin", "Small");
    form->ApplySkin("Small");
    gen->EditSkin(skins + "Small.ssk");
    gen->ObjectList->setCurrentItem(gen->ObjectList->findItems("Pause Button", Qt::MatchExactly).value(0));
    QWidget* pause = form->FindComponentByTag(12);
    double worst = 0, total = 0;
    const int changes = 20;
    for (int i = 1; i <= changes; ++i) {
        QElapsedTimer t;
        t.start();
        gen->ObjectLeft->setValue(20 + i);
        while (pause->x() != 20 + i && t.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("live editing: a field change shown on the main window after %.1f ms on average, %.1f ms at worst "
                "(%d changes)\n",
                total / changes, worst, changes);
    return 0;
}
