// The now-playing picture server over real sockets on 127.0.0.1: the raw
// wire (JPEG then BMP), HTTP GET and HEAD, several clients, idle and
// hostile clients, the bound on workers, the picture itself, and a browser.
#include "app/vimboform.h"
#include "imageserver/nowplayingsnapshot.h"
#include "imageserver/npimageserver.h"
#include "imageserver/requestscan.h"
#include "platform/errors.h"
#include "skins/skinformat.h"
#include "support/pictureclient.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"

#include <QBuffer>
#include <QTreeWidget>
#include <QPainter>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtEndian>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csetjmp>
#include <jpeglib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace vimbo;

namespace {

// Runs `client` on a thread of its own while this thread serves the
// server's events (it accepts on this thread).
void runClient(const std::function<void()>& client, int timeoutMs = 30000)
{
    std::atomic<bool> done{false};
    std::thread t([&] {
        client();
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!done && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    t.join();
}

struct Client
{
    int fd = -1;
    explicit Client(quint16 port) : fd(connectLoopback(port)) {}
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
    void send(const QByteArray& bytes) const { ASSERT_EQ(::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL), bytes.size()); }
    // Reads until `enough` says so, the peer closes, or `timeoutMs` passes.
    QByteArray receive(const std::function<bool(const QByteArray&)>& enough, int timeoutMs, bool* closed = nullptr) const
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!enough(got) && t.elapsed() < timeoutMs) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buf[65536];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                if (closed)
                    *closed = true;
                break;
            }
            got.append(buf, qsizetype(n));
        }
        return got;
    }
};

struct Decoded
{
    int width = 0, height = 0, components = 0;
    bool progressive = true;
};

Decoded decodeJpeg(const QByteArray& jpeg)
{
    struct Error
    {
        jpeg_error_mgr mgr;
        std::jmp_buf jump;
    } error{};
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Error*>(c->err)->jump, 1); };
    Decoded d;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    d.width = int(info.output_width);
    d.height = int(info.output_height);
    d.components = info.output_components;
    d.progressive = info.progressive_mode;
    std::vector<unsigned char> row(size_t(info.output_width) * size_t(info.output_components));
    while (info.output_scanline < info.output_height) {
        unsigned char* r = row.data();
        jpeg_read_scanlines(&info, &r, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return d;
}

const NowPlaying kState = [] {
    NowPlaying s;
    s.trackLine = "Album :: Song";
    s.skinName = "Glass";
    s.unactive = 0x204060; // red 0x60, green 0x40, blue 0x20
    s.border = 0x0000FF;
    s.text = 0x00FF00;
    s.clicked = 0xFF0000;
    s.over = 0x808080;
    return s;
}();

class ImageServerTest : public ::testing::Test
{
protected:
    ImageServerTest()
    {
        server.CurrentState = [] { return kState; };
        server.Start(0);
    }
    TNpImageServer server{1500}; // quiet clients go after 1.5 s here
};

TEST_F(ImageServerTest, RawClientGetsJpegThenBmpPerRequest)
{
    QByteArray first, second;
    bool closed = false;
    runClient([&] {
        Client c(server.Port());
        ASSERT_GE(c.fd, 0);
        c.send("hello\n");
        first = c.receive(hasWholeRawAnswer, 10000);
        c.send("again");
        second = c.receive(hasWholeRawAnswer, 10000);
        // One request, one answer: nothing more comes until the next.
        const QByteArray extra = c.receive([](const QByteArray& b) { return !b.isEmpty(); }, 500);
        EXPECT_TRUE(extra.isEmpty());
        c.receive([](const QByteArray&) { return false; }, 5000, &closed);
    });
    ASSERT_TRUE(hasWholeRawAnswer(first));
    ASSERT_TRUE(hasWholeRawAnswer(second));
    EXPECT_TRUE(first.startsWith("\xFF\xD8")) << "a JPEG first, no HTTP header";
    const qsizetype bm = first.indexOf(QByteArray("\xFF\xD9" "BM", 4)) + 2;
    const QByteArray jpeg = first.left(bm), bmp = first.mid(bm);
    EXPECT_EQ(bmp.size(), qsizetype(qFromLittleEndian<quint32>(bmp.constData() + 2))) << "exactly one BMP after it";
    const Decoded d = decodeJpeg(jpeg);
    EXPECT_EQ(d.width, 400);
    EXPECT_EQ(d.height, 90);
    EXPECT_EQ(d.components, 3) << "colour";
    EXPECT_FALSE(d.progressive) << "baseline";

    const QImage picture = QImage::fromData(bmp, "BMP");
    ASSERT_EQ(picture.size(), QSize(400, 90));
    const QRgb border = qRgb(0xFF, 0, 0), fill = qRgb(0x60, 0x40, 0x20);
    const struct
    {
        int x, y;
        QRgb colour;
    } pixels[] = {{0, 0, border},  {399, 30, border}, {200, 70, border}, {200, 89, border},
                  {0, 80, border}, {395, 65, fill},   {2, 2, fill},      {395, 72, fill}};
    for (const auto& p : pixels)
        EXPECT_EQ(QColor(picture.pixel(p.x, p.y)), QColor(p.colour)) << p.x << "," << p.y;
    // The words are there, in their colours: some pixels of the product word are exactly "Clicked".
    int clicked = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 60; ++x)
            clicked += picture.pixel(x, y) == qRgb(0, 0, 0xFF);
    EXPECT_GT(clicked, 20);
    EXPECT_TRUE(closed) << "a quiet client is let go after the idle time";
}

QList<QByteArray> httpAnswers(const QByteArray& bytes, bool withBodies)
{
    // Splits a stream of responses; each head gives its body length.
    QList<QByteArray> out;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n\r\n", at);
        if (end < 0)
            break;
        const QByteArray head = bytes.mid(at, end + 4 - at);
        const qsizetype cl = head.indexOf("Content-Length: ");
        const qsizetype length = withBodies && cl >= 0 ? head.mid(cl + 16, head.indexOf("\r\n", cl) - cl - 16).toLongLong() : 0;
        if (end + 4 + length > bytes.size())
            break; // not all here yet
        out << bytes.mid(at, end + 4 - at + length);
        at = end + 4 + length;
    }
    return out;
}

TEST_F(ImageServerTest, HttpGetAndHead)
{
    QByteArray got, headOnly, closing;
    bool closedAfterClose = false;
    runClient([&] {
        Client c(server.Port());
        // Two requests on one connection, the first in two pieces.
        c.send("GE");
        QThread::msleep(100);
        c.send("T / HTTP/1.1\r\nHost: x\r\n\r\n");
        c.send("GET /sig.jpg HTTP/1.1\r\nHost: x\r\n\r\n");
        got = c.receive([](const QByteArray& b) { return httpAnswers(b, true).size() == 2; }, 10000);
        c.send("HEAD / HTTP/1.1\r\nHost: x\r\n\r\n");
        headOnly = c.receive([](const QByteArray& b) { return b.contains("\r\n\r\n"); }, 10000);
        Client d(server.Port());
        d.send("GET / HTTP/1.1\r\nConnection: close\r\n\r\n");
        closing = d.receive([](const QByteArray&) { return false; }, 10000, &closedAfterClose);
    });
    const QList<QByteArray> answers = httpAnswers(got, true);
    ASSERT_EQ(answers.size(), 2) << got.left(200).toStdString();
    for (const QByteArray& a : answers) {
        EXPECT_TRUE(a.startsWith("HTTP/1.1 200 OK\r\n"));
        EXPECT_TRUE(a.contains("\r\nContent-Type: image/jpeg\r\n"));
        EXPECT_TRUE(a.contains("\r\nCache-Control: no-store\r\n"));
        const QByteArray body = a.mid(a.indexOf("\r\n\r\n") + 4);
        EXPECT_TRUE(body.startsWith("\xFF\xD8"));
        EXPECT_EQ(decodeJpeg(body).width, 400);
        EXPECT_FALSE(body.contains(QByteArray("\xFF\xD9" "BM", 4))) << "the JPEG alone";
    }
    EXPECT_TRUE(headOnly.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(headOnly.endsWith("\r\n\r\n")) << "no body for HEAD";
    EXPECT_TRUE(closing.contains("Connection: close"));
    EXPECT_TRUE(closedAfterClose);
}

TEST_F(ImageServerTest, RequestLinesWithoutVersionGetTheRawAnswer)
{
    // No protocol version, so no headers follow: answered at once, as any data is.
    for (const char* request : {"GET /\r\n", "GET /sig.jpg\n", "HEAD /\r\n", "GET /"}) {
        SCOPED_TRACE(request);
        QByteArray got;
        runClient([&] {
            Client c(server.Port());
            c.send(request);
            got = c.receive(hasWholeRawAnswer, 10000);
        });
        EXPECT_TRUE(got.startsWith("\xFF\xD8")) << "no HTTP header";
        EXPECT_TRUE(hasWholeRawAnswer(got));
    }
}

// The decision on what has been received, without sockets: each row is the
// bytes so far, the stage the client stopped at, and what they ask for.
TEST(RequestScanTest, KindKeepOpenAndBytesUsed)
{
    using Kind = RequestScan::Kind;
    using Stage = RequestStage;
    const QByteArray longLine = "GET /" + QByteArray(kMaxRequestHead, 'a');
    const QByteArray longHead = "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHead, 'a') + "\r\n\r\n";
    struct Row
    {
        const char* name;
        QByteArray received;
        Stage stalledAt;
        Kind kind;
        Stage waitFor;
        bool keepOpen;
        qsizetype used;
    };
    const Row rows[] = {
        {"not http", "xyz", Stage::None, Kind::Raw, Stage::None, true, 3},
        {"method under way", "HE", Stage::None, Kind::More, Stage::Method, true, 0},
        {"method cut short", "HE", Stage::Method, Kind::Raw, Stage::None, true, 2},
        {"GET alone waits for its line", "GET ", Stage::Method, Kind::More, Stage::Line, true, 0},
        {"line under way", "GET /x", Stage::None, Kind::More, Stage::Line, true, 0},
        {"line cut short", "GET /x", Stage::Line, Kind::Raw, Stage::None, true, 6},
        {"line without version", "GET /\r\nmore", Stage::None, Kind::Raw, Stage::None, true, 11},
        {"headers under way", "GET / HTTP/1.1\r\nHost: x\r\n", Stage::None, Kind::More, Stage::Head, true, 0},
        {"headers cut short", "GET / HTTP/1.1\r\nHost: x\r\n", Stage::Head, Kind::None, Stage::None, true, 0},
        {"1.1 keeps", "GET / HTTP/1.1\r\n\r\nGET", Stage::None, Kind::Get, Stage::None, true, 18},
        {"1.1 told to close", "HEAD / HTTP/1.1\r\nConnection: Close\r\n\r\n", Stage::None, Kind::Head, Stage::None,
         false, 38},
        {"1.0 closes", "GET / HTTP/1.0\n\n", Stage::None, Kind::Get, Stage::None, false, 16},
        {"1.0 asked to keep", "GET / HTTP/1.0\nconnection: keep-alive\n\n", Stage::None, Kind::Get, Stage::None,
         true, 39},
        {"line beyond any head", longLine, Stage::None, Kind::None, Stage::None, true, 0},
        {"head beyond the bound", longHead, Stage::None, Kind::None, Stage::None, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RequestScan scan = ScanRequest(row.received, row.stalledAt);
        EXPECT_EQ(scan.kind, row.kind);
        EXPECT_EQ(scan.waitFor, row.waitFor);
        if (row.kind == Kind::Get || row.kind == Kind::Head) {
            EXPECT_EQ(scan.keepOpen, row.keepOpen);
        }
        EXPECT_EQ(scan.used, row.used);
    }
}

TEST_F(ImageServerTest, ClientsAtOnceAndHostileOnes)
{
    // Two at the same time: each a whole picture of its own.
    std::atomic<int> whole{0};
    runClient([&] {
        std::thread other([&] {
            Client c(server.Port());
            c.send("x");
            whole += hasWholeRawAnswer(c.receive(hasWholeRawAnswer, 10000));
        });
        Client c(server.Port());
        c.send("y");
        whole += hasWholeRawAnswer(c.receive(hasWholeRawAnswer, 10000));
        other.join();
    });
    EXPECT_EQ(whole, 2);

    // A request head beyond 16 KiB is not read on: the connection closes unanswered.
    QByteArray answer;
    bool closed = false;
    runClient([&] {
        Client c(server.Port());
        c.send("GET / HTTP/1.1\r\nX-Fill: " + QByteArray(20000, 'a'));
        answer = c.receive([](const QByteArray&) { return false; }, 5000, &closed);
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(answer.isEmpty());

    // Requests sent on and on without reading an answer: a few are answered,
    // then the connection closes.
    QByteArray answers;
    closed = false;
    runClient([&] {
        Client c(server.Port());
        QByteArray pipelined;
        while (pipelined.size() < 16000)
            pipelined += "GET / HTTP/1.1\r\n\r\n";
        c.send(pipelined);
        answers = c.receive([](const QByteArray&) { return false; }, 10000, &closed);
    });
    EXPECT_TRUE(closed);
    const qsizetype answered = httpAnswers(answers, true).size();
    EXPECT_GT(answered, TNpImageServer::kMaxQueuedRequests);
    // The request that came first and those queued behind it; allowing for
    // the packet read in two pieces.
    EXPECT_LE(answered, 2 * (TNpImageServer::kMaxQueuedRequests + 1));

    // A flood of silent connections: never more workers than the bound, and
    // the server answers again once the flood is over.
    int most = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { most = std::max(most, server.ActiveWorkers()); });
    watch.start(1);
    runClient([&] {
        std::vector<std::unique_ptr<Client>> flood;
        for (int i = 0; i < 150; ++i)
            flood.push_back(std::make_unique<Client>(server.Port()));
        QThread::msleep(500);
    });
    watch.stop();
    EXPECT_LE(most, TNpImageServer::kMaxWorkers);
    EXPECT_EQ(most, TNpImageServer::kMaxWorkers) << "the flood filled every place";
    runEventsFor(300);
    bool servedAfter = false;
    runClient([&] {
        Client c(server.Port());
        c.send("after");
        servedAfter = hasWholeRawAnswer(c.receive(hasWholeRawAnswer, 15000));
    });
    EXPECT_TRUE(servedAfter);
}

// The raw answer a fresh drawing of `state` gives.
QByteArray freshAnswer(const NowPlaying& state)
{
    const TNpPicture p = TNpImageServer::RenderPicture(state, true);
    return p.jpeg + p.bmp;
}

// A raw request on `c` and its whole answer.
QByteArray rawPicture(const Client& c)
{
    c.send("x");
    return c.receive(hasWholeRawAnswer, 10000);
}

TEST_F(ImageServerTest, AKeptPictureIsTheFreshDrawingOfItsState)
{
    std::mutex lock;
    NowPlaying current = kState;
    std::atomic<int> drawn{0};
    server.CurrentState = [&] {
        std::lock_guard g(lock);
        return current;
    };
    server.Render = [&](const NowPlaying& state, bool withBmp) {
        ++drawn;
        return TNpImageServer::RenderPicture(state, withBmp);
    };
    const auto set = [&](const NowPlaying& state) {
        std::lock_guard g(lock);
        current = state;
    };
    QList<QByteArray> got;
    runClient([&] {
        Client c(server.Port());
        got << rawPicture(c) << rawPicture(c);
        Client other(server.Port());
        got << rawPicture(other);
    });
    ASSERT_EQ(got.size(), 3);
    EXPECT_TRUE(got[0] == freshAnswer(kState)) << "the bytes a drawing made now gives";
    EXPECT_TRUE(got[1] == got[0]);
    EXPECT_TRUE(got[2] == got[0]) << "another connection";
    EXPECT_EQ(drawn, 1) << "drawn once for the one state";

    // Each part of the state, changed alone, gives the picture of the new state.
    const struct
    {
        const char* name;
        std::function<void(NowPlaying&)> change;
    } changes[] = {
        {"track line", [](NowPlaying& s) { s.trackLine = "Album :: Other Song"; }},
        {"skin name", [](NowPlaying& s) { s.skinName = "Ember"; }},
        {"Unactive", [](NowPlaying& s) { s.unactive ^= 1; }},
        {"Border", [](NowPlaying& s) { s.border ^= 0x010000; }},
        {"Text", [](NowPlaying& s) { s.text ^= 0x000100; }},
        {"Clicked", [](NowPlaying& s) { s.clicked ^= 0x000001; }},
        {"Over", [](NowPlaying& s) { s.over ^= 0x010101; }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        NowPlaying changed = kState;
        c.change(changed);
        set(changed);
        QByteArray answer;
        runClient([&] {
            Client client(server.Port());
            answer = rawPicture(client);
        });
        EXPECT_TRUE(answer == freshAnswer(changed));
        EXPECT_TRUE(answer != got[0]) << "a new picture";
        set(kState);
    }
}

TEST_F(ImageServerTest, RequestsWhileTheStateChangesGetWholePicturesOfOneState)
{
    // Three states, one picture each; the state flips while eight clients
    // ask on and on. Every answer is one of the three, whole.
    std::vector<NowPlaying> states(3, kState);
    states[1].trackLine = "Second :: Song";
    states[2].skinName = "Third";
    states[2].border = 0x00FF00;
    std::vector<QByteArray> pictures;
    for (const NowPlaying& state : states)
        pictures.push_back(freshAnswer(state));
    std::atomic<int> which{0};
    server.CurrentState = [&] { return states[size_t(which.load())]; };

    std::atomic<int> torn{0}, answers{0};
    std::atomic<bool> stop{false};
    std::mutex seenLock;
    std::set<int> seen;
    std::vector<std::thread> clients;
    for (int i = 0; i < 8; ++i)
        clients.emplace_back([&] {
            Client c(server.Port());
            while (!stop) {
                const QByteArray answer = rawPicture(c);
                const auto at = std::find(pictures.begin(), pictures.end(), answer);
                if (at == pictures.end()) {
                    ++torn;
                    break;
                }
                ++answers;
                std::lock_guard g(seenLock);
                seen.insert(int(at - pictures.begin()));
            }
        });
    // Each state a few milliseconds, while the server's events run here.
    for (int flip = 0; flip < 90 || answers < 200; ++flip) {
        which = flip % 3;
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < 3)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (flip > 20000)
            break; // no answers at all: reported below
    }
    stop = true;
    for (auto& t : clients)
        t.join();
    EXPECT_EQ(torn, 0) << "an answer that is no one state's picture";
    EXPECT_EQ(seen.size(), 3u) << "the state changed while they asked";
}

class PlayerImageTest : public ReadyPlayerFixture
{
};

TEST_F(PlayerImageTest, SnapshotFollowsEachChangeWithoutWaitingOnTheStore)
{
    form->show();
    // Files that are there: a rebuild keeps them.
    const QString song = makeFile(dir, "Music/Album/Song.mp3");
    const QString longer = makeFile(dir, "Music/An Album Whose Name Goes On And On/A Song Whose Title Goes On Too.mp3");
    const qint32 index = form->PlaylistView.AddPlaylistEntry(song);
    const qint32 other = form->PlaylistView.AddPlaylistEntry(longer);
    form->Playback.CurrentIndex = index;
    ASSERT_EQ(form->NowPlayingSnapshot().trackLine, "Album :: Song");

    // Each change shows in the next snapshot.
    const struct
    {
        const char* name;
        std::function<void()> change;
        std::function<bool(const NowPlaying&)> shows;
    } changes[] = {
        {"another entry", [&] { form->Playback.CurrentIndex = other; },
         [](const NowPlaying& s) { return s.trackLine.startsWith("An Album"); }},
        {"the entry rewritten", [&] { form->PlaylistKey().writeString(QString::number(other), song); },
         [](const NowPlaying& s) { return s.trackLine == "Album :: Song"; }},
        {"the skin name", [&] { settings().writeString("Skin", "Glass"); },
         [](const NowPlaying& s) { return s.skinName == "Glass"; }},
        {"a colour", [&] { form->SkinColor.Over = 0x123456; },
         [](const NowPlaying& s) { return s.over == 0x123456; }},
        {"the playlist's width",
         [&] {
             form->PlaylistKey().writeString(QString::number(other), longer);
             form->Playlist->resize(200, form->Playlist->height());
             form->ApplyDefaultSkin(); // the built-in skin keeps the box, and hands the look over
         },
         [&](const NowPlaying& s) {
             return s.trackLine == TrackLineFor(longer, form->Playlist->font(), 200) && s.trackLine.contains("...");
         }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        c.change();
        EXPECT_TRUE(c.shows(form->NowPlayingSnapshot())) << form->NowPlayingSnapshot().trackLine.toStdString();
    }

    // Another process's write is seen within a moment.
    {
        auto elsewhere = RegistryDatabase::open(store()->path());
        RegistryKey(elsewhere, kSettingsKeyPath).writeString("Skin", "Ember");
    }
    runEventsFor(NowPlayingSnapshots::kRereadMs + 50);
    EXPECT_EQ(form->NowPlayingSnapshot().skinName, "Ember");

    // While the GUI thread holds the store (a rebuild does, for seconds),
    // pictures come at once, of what was last committed.
    form->Playback.CurrentIndex = index;
    const NowPlaying before = form->NowPlayingSnapshot();
    QByteArray during;
    qint64 tookMs = -1;
    form->PlaylistKey().database()->transaction([&] {
        form->PlaylistKey().writeString(QString::number(index), longer);
        runClient(
            [&] {
                QElapsedTimer t;
                t.start();
                Client c(form->ImageServer.Port());
                c.send("x");
                // Not waited for past this: a worker stuck behind the store
                // would hold this thread, and the transaction, for good.
                during = c.receive(hasWholeRawAnswer, 3000);
                tookMs = t.elapsed();
            },
            5000);
    });
    EXPECT_TRUE(during == freshAnswer(before)) << "an answer of " << during.size() << " bytes";
    EXPECT_LT(tookMs, 2000);
    EXPECT_TRUE(form->NowPlayingSnapshot().trackLine.startsWith("An Album")) << "committed, it shows";
}

TEST_F(PlayerImageTest, AnErrorWhileDrawingEndsThatClientOnly)
{
    // An entry stored as a number where a path belongs: reading it throws.
    form->PlaylistKey().writeInteger("0", 7);
    form->Playback.CurrentIndex = 0;
    ASSERT_THROW(form->NowPlayingSnapshot(), ERegistryException);
    QByteArray got;
    bool closed = false;
    runClient([&] {
        Client c(form->ImageServer.Port());
        c.send("GET / HTTP/1.1\r\n\r\n");
        got = c.receive([](const QByteArray&) { return false; }, 10000, &closed);
    });
    EXPECT_TRUE(got.isEmpty());
    EXPECT_TRUE(closed) << "the worker has ended and let the client go";

    // The player and its server go on: once the entry reads again, pictures come.
    form->PlaylistKey().writeString("0", dir.filePath("Music/Album/Song.mp3"));
    runClient([&] {
        Client c(form->ImageServer.Port());
        c.send("again");
        got = c.receive(hasWholeRawAnswer, 10000);
    });
    EXPECT_TRUE(hasWholeRawAnswer(got));
}

TEST_F(PlayerImageTest, NoLineCoversTheLettersOfAnother)
{
    // "Now Playing:" alone on the fill, in the picture's font: its descenders
    // reach below y = 47, where the track line's box begins.
    QImage alone(400, 90, QImage::Format_RGB32);
    alone.setDotsPerMeterX(3780);
    alone.setDotsPerMeterY(3780);
    alone.fill(ToQColor(kState.unactive));
    {
        QPainter canvas(&alone);
        QFont font(QStringLiteral("QSwitch Ax"));
        font.setBold(true);
        canvas.setFont(font);
        DrawImageText(canvas, 10, 35, 8, kState.text, QStringLiteral("Now Playing:"));
    }
    const QImage picture = DrawNowPlayingImage(kState);
    // Ink is whatever is not the fill; more ink over it (the track line's
    // letters) never turns it back into the fill.
    const QRgb fill = ToQColor(kState.unactive).rgb();
    int below = 0, lost = 0;
    for (int y = 47; y < 70; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (alone.pixel(x, y) != fill) {
                ++below;
                lost += picture.pixel(x, y) == fill;
            }
        }
    }
    ASSERT_GT(below, 0) << "the font has no descender below the line's box";
    EXPECT_EQ(lost, 0) << "pixels of the descenders covered by the next line's background";
}

TEST_F(PlayerImageTest, PictureShowsTheCurrentEntryAndSkin)
{
    form->show();
    const QString song = dir.filePath("Music/Album/Song.mp3");
    const qint32 index = form->PlaylistView.AddPlaylistEntry(song);
    const DisplayNames names = form->PlaylistView.MakeDisplayNames(song);
    form->Playback.CurrentIndex = index;
    NowPlaying state = form->NowPlayingSnapshot();
    EXPECT_EQ(state.trackLine, names.folder + " :: " + names.name);
    EXPECT_EQ(state.trackLine, "Album :: Song");
    EXPECT_EQ(state.skinName, "Default") << "no skin chosen yet";
    EXPECT_EQ(state.unactive, form->SkinColor.Unactive.load());
    form->Playback.CurrentIndex = index + 5;
    EXPECT_EQ(form->NowPlayingSnapshot().trackLine, "None");
    settings().writeString("Skin", "Glass");
    EXPECT_EQ(form->NowPlayingSnapshot().skinName, "Glass");

    // The skin text ends 5 pixels before the right edge.
    state.skinName = "Default";
    const QImage picture = DrawNowPlayingImage(state);
    int rightmost = -1;
    for (int x = 1; x < 399; ++x) // inside the box's outline
        for (int y = 76; y < 88; ++y)
            if (picture.pixel(x, y) != QColor(ToQColor(state.unactive)).rgb())
                rightmost = std::max(rightmost, x);
    EXPECT_GE(rightmost, 385);
    EXPECT_LE(rightmost, 394);

    // A browser shows the picture from an <img> on a page.
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_FAIL() << "chromium is not installed (scripts/deps.sh --tests installs it)";
    ASSERT_TRUE(form->ImageServer.IsActive());
    const QString page =
        makeFile(dir, "page.htm",
                 QString("<html><body><img id=p src=\"http://127.0.0.1:%1/\" "
                         "onload=\"document.title='size '+this.naturalWidth+'x'+this.naturalHeight\" "
                         "onerror=\"document.title='failed'\"></body></html>")
                     .arg(form->ImageServer.Port())
                     .toUtf8());
    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--virtual-time-budget=10000",
                             "--dump-dom", QUrl::fromLocalFile(page).toString()});
    ASSERT_TRUE(browser.waitForStarted());
    QElapsedTimer t;
    t.start();
    while (browser.state() != QProcess::NotRunning && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20); // the server accepts on this thread
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    EXPECT_TRUE(dom.contains("<title>size 400x90</title>")) << dom.toStdString();
}

} // namespace
