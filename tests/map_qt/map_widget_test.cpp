#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

#include "map/qt/map_widget.h"
#include "tests/common/http_test_server.h"
#include "tests/common/peak_memory.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

const QColor kLand(0xf2, 0xef, 0xe4);
const QColor kSea(0xaa, 0xd3, 0xdf);

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

double Share(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y).rgb() == colour.rgb() ? 1 : 0;
        }
    }
    return static_cast<double>(count) / (image.width() * image.height());
}

void Click(QWidget& widget, const QPointF& at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

// A tile server on 127.0.0.1 that answers every request after a short wait, one connection a request; it
// notes the requests, their agent and how many were being answered at once.
class TileServer final {
public:
    explicit TileServer(int status) : m_status(status) {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Read(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    m_answering.remove(socket);
                    socket->deleteLater();
                });
            }
        });
        SetColour(QColor(0xff, 0x00, 0xff));
    }

    void SetColour(const QColor& colour, int side = 256) {
        QImage tile(side, side, QImage::Format_RGB32);
        tile.fill(colour);
        m_png.clear();
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
    }
    void SetBody(const QByteArray& body) { m_png = body; }
    void Close() { m_server.close(); }
    int Open() const { return static_cast<int>(m_answering.size()); }

    QString Template() const {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(m_server.serverPort());
    }

    std::map<QString, int> m_requests;
    QByteArray m_agent;
    int m_mostOpen = 0;
    QByteArray m_cacheHeader = "Cache-Control: no-store";
    // The first this many requests get their body a byte a second.
    int m_trickleFirst = 0;

private:
    void Read(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        const QList<QByteArray> lines = request.split('\n');
        ++m_requests[QString::fromLatin1(lines.value(0).split(' ').value(1))];
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:")) {
                m_agent = line.mid(11).trimmed();
            }
        }
        m_pending.remove(socket);
        // Counted from the request to its answer, not by connections: a closed one may be noticed only after the
        // client's next has come in.
        m_answering.insert(socket);
        m_mostOpen = std::max(m_mostOpen, Open());
        if (m_trickleFirst > 0) {
            --m_trickleFirst;
            Trickle(socket);
            return;
        }
        QTimer::singleShot(30, socket, [this, socket] {
            const QByteArray body = m_status == 200 ? m_png : QByteArray("no");
            m_answering.remove(socket);
            socket->write(
                "HTTP/1.1 " + QByteArray::number(m_status) + " X\r\nContent-Type: image/png\r\n" + m_cacheHeader +
                "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

    void Trickle(QTcpSocket* socket) {
        socket->write("HTTP/1.1 200 X\r\nContent-Type: image/png\r\n" + m_cacheHeader +
                      "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(m_png.size()) + "\r\n\r\n");
        auto* drip = new QTimer(socket);
        auto sent = std::make_shared<int>(0);
        QObject::connect(drip, &QTimer::timeout, socket, [this, socket, sent] {
            if (*sent < m_png.size()) {
                socket->write(m_png.mid((*sent)++, 1));
            }
        });
        drip->start(1000);
    }

    int m_status;
    // Before the server: its sockets, closed as it goes, still take themselves out of it.
    QSet<QTcpSocket*> m_answering;
    QTcpServer m_server;
    QByteArray m_png;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// Shown at a size, over central Europe at zoom 5: tiles of several rows and columns.
void ShowCentralEurope(CMapWidget& map, int width, int height) {
    map.resize(width, height);
    map.show();
    map.CentreOn({50, 15}, 5);
}

class ScopedTileUrl final {
public:
    explicit ScopedTileUrl(const QString& url) : m_old(qgetenv("DRAVIK_TILE_URL")) {
        qputenv("DRAVIK_TILE_URL", url.toUtf8());
    }
    ~ScopedTileUrl() { qputenv("DRAVIK_TILE_URL", m_old); }
    ScopedTileUrl(const ScopedTileUrl&) = delete;
    ScopedTileUrl& operator=(const ScopedTileUrl&) = delete;

private:
    QByteArray m_old;
};

TEST(MapWidgetTest, LandOutlineIsDrawnWithoutNetwork) {
    // The test environment's tile address is a closed port: no tile ever arrives.
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    map.resize(600, 400);
    map.show();
    map.CentreOn({50, 15}, 4);  // central Europe
    ASSERT_TRUE(WaitFor([&] { return map.TilesFailing(); }));
    const QImage europe = map.grab().toImage();
    EXPECT_EQ(europe.pixelColor(300, 200).rgb(), kLand.rgb());
    EXPECT_GT(Share(europe, kLand), 0.3);
    EXPECT_EQ(map.TilesInMemory(), 0U);

    map.CentreOn({0, -150}, 4);  // the middle of the Pacific
    const QImage ocean = map.grab().toImage();
    EXPECT_EQ(ocean.pixelColor(300, 200).rgb(), kSea.rgb());
    EXPECT_LT(Share(ocean, kLand), 0.05);

    // Close up, millions of pixels from the world's corner, the land is still where it is.
    map.CentreOn({52.23, 21.01}, 18);  // Warsaw
    EXPECT_EQ(map.grab().toImage().pixelColor(300, 200).rgb(), kLand.rgb());
    map.CentreOn({54.8, 18.0}, 17);  // the Baltic off the Polish coast
    EXPECT_EQ(map.grab().toImage().pixelColor(300, 200).rgb(), kSea.rgb());
}

// Counts the paints a widget gets.
class PaintCount final : public QObject {
public:
    explicit PaintCount(QWidget& widget) { widget.installEventFilter(this); }
    int Count() const { return m_count; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        m_count += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(object, event);
    }

private:
    int m_count = 0;
};

TEST(MapWidgetTest, OfflineAtRestTheMapIsNotDrawnAgainAndLetsThePlatesPictureGo) {
    // Every tile fails, and fails again at each retry: nothing on the map changes.
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    map.resize(600, 400);
    map.show();
    map.CentreOn({50, 15}, 4);
    ASSERT_TRUE(WaitFor([&] { return map.TilesFailing(); }));
    // The paint that tells of it.
    Pause(500);
    ASSERT_TRUE(map.HoldsPlatesPicture());
    const PaintCount paints(map);
    // Past the first retries (2 s on) and the picture's 3 s.
    Pause(4500);
    EXPECT_EQ(paints.Count(), 0);
    EXPECT_FALSE(map.HoldsPlatesPicture());
    // The next paint draws the lines again.
    map.grab();
    EXPECT_TRUE(map.HoldsPlatesPicture());
}

TEST(MapWidgetTest, TilesComeTwoAtATimeAndFailuresWait) {
    TileServer server(200);
    ScopedTileUrl url(server.Template());
    CMapWidget map;
    map.SetUserAgent("Dravik/9.9 (test)");
    ShowCentralEurope(map, 700, 500);
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    ASSERT_GT(visible, 6U);
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }));
    EXPECT_EQ(server.m_mostOpen, 2) << "at most two connections to the host";
    EXPECT_EQ(server.m_agent, "Dravik/9.9 (test)");
    EXPECT_EQ(server.m_requests.size(), visible);
    const QImage drawn = map.grab().toImage();
    EXPECT_EQ(drawn.pixelColor(350, 250).rgb(), QColor(0xff, 0x00, 0xff).rgb());
    EXPECT_FALSE(map.TilesFailing());

    // Zoomed in, the tiles of before stand in until the new ones come.
    server.m_requests.clear();
    map.SetZoom(6);
    EXPECT_EQ(map.grab().toImage().pixelColor(350, 250).rgb(), QColor(0xff, 0x00, 0xff).rgb());
    ASSERT_TRUE(WaitFor([&] { return server.m_requests.size() >= map.Viewport().VisibleTiles().size(); }));
    map.SetZoom(5);
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() >= visible; }));

    // Hidden to the tray: the tiles leave memory; the view stays and the next look fetches them again.
    const GeoPoint centre = map.Viewport().Centre();
    map.ReleaseTiles();
    EXPECT_EQ(map.TilesInMemory(), 0U);
    map.RestoreTiles();
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }));
    EXPECT_EQ(map.Viewport().Centre().lat, centre.lat);
    EXPECT_EQ(map.Viewport().Zoom(), 5);
}

TEST(MapWidgetTest, StaleTilesAreAskedForAgainAndStillShownWhenTheServiceIsGone) {
    TileServer server(200);
    server.m_cacheHeader = "Expires: Thu, 01 Jan 1970 00:00:00 GMT";
    ScopedTileUrl url(server.Template());
    CMapWidget map;
    ShowCentralEurope(map, 300, 300);
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    const auto centreColour = [&] { return map.grab().toImage().pixelColor(150, 150).rgb(); };
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }));
    ASSERT_EQ(centreColour(), QColor(0xff, 0x00, 0xff).rgb());

    // The copies on disk are stale at once: the next look asks the service and shows what it has now.
    server.SetColour(QColor(0x00, 0x80, 0x00));
    map.ReleaseTiles();
    map.RestoreTiles();
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }));
    EXPECT_EQ(centreColour(), QColor(0x00, 0x80, 0x00).rgb());

    // The service gone, the stale copies stand in.
    server.Close();
    map.ReleaseTiles();
    map.RestoreTiles();
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }));
    EXPECT_EQ(centreColour(), QColor(0x00, 0x80, 0x00).rgb());
    EXPECT_FALSE(map.TilesFailing());
}

void ExpectRequestsAtZoom(const TileServer& server, int zoom) {
    const QString prefix = QStringLiteral("/%1/").arg(zoom);
    for (const auto& [path, count] : server.m_requests) {
        EXPECT_TRUE(path.startsWith(prefix)) << path.toStdString();
    }
}

// Run at a scale of 2 by a CTest entry of its own (QT_SCALE_FACTOR, DRAVIK_EXPECT_HIDPI); skipped at 1.
TEST(MapWidgetHiDpiTest, FinerTilesAtTwoDevicePixelsAPixel) {
    if (CMapWidget().devicePixelRatioF() < 1.5) {
        ASSERT_FALSE(qEnvironmentVariableIsSet("DRAVIK_EXPECT_HIDPI")) << "the scale did not reach the widget";
        GTEST_SKIP() << "a screen of one device pixel a pixel";
    }
    TileServer server(200);
    ScopedTileUrl url(server.Template());
    CMapWidget map;
    ShowCentralEurope(map, 600, 400);
    const std::size_t fine = map.Viewport().VisibleTiles(1).size();
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == fine; }));
    EXPECT_EQ(server.m_requests.size(), fine);
    ExpectRequestsAtZoom(server, 6);
    const QImage drawn = map.grab().toImage();
    EXPECT_EQ(drawn.size(), QSize(1200, 800));
    EXPECT_EQ(drawn.pixelColor(600, 400).rgb(), QColor(0xff, 0x00, 0xff).rgb());

    // At the kind's finest zoom there is nothing finer: its own tiles, enlarged.
    map.SetKind(3);
    map.SetZoom(17);
    server.m_requests.clear();
    ASSERT_TRUE(WaitFor([&] { return server.m_requests.size() >= map.Viewport().VisibleTiles().size(); }));
    ExpectRequestsAtZoom(server, 17);
}

TEST(MapWidgetTest, FailedTileIsNotAskedForInALoop) {
    TileServer server(500);
    ScopedTileUrl url(server.Template());
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    ShowCentralEurope(map, 300, 300);
    ASSERT_TRUE(WaitFor([&] { return map.TilesFailing(); }));
    // Drawn over and over in the next second: every tile was asked for once, and is not again until its wait
    // (two seconds after the first failure) is over.
    for (int i = 0; i < 20; ++i) {
        map.repaint();
        Pause(50);
    }
    ASSERT_FALSE(server.m_requests.empty());
    for (const auto& [path, count] : server.m_requests) {
        EXPECT_EQ(count, 1) << path.toStdString();
    }
    EXPECT_EQ(map.TilesInMemory(), 0U);
}

TEST(MapWidgetTest, ClickOnACircleNamesItAndDragMovesTheMap) {
    CMapWidget map;
    map.resize(600, 400);
    map.show();
    map.CentreOn({35, 139}, 6);
    map.SetCircles({{7, {35.5, 139.5}, 20, 0, "big"}, {8, {35.5, 139.6}, 4, 1, "small"}, {9, {-20, 10}, 10, 2, "far"}});
    QList<int> clicked;
    QObject::connect(&map, &CMapWidget::CircleClicked, [&](int id) { clicked << id; });
    const ScreenPoint small = map.Viewport().ToScreen({35.5, 139.6});
    Click(map, {small.x, small.y});
    const ScreenPoint big = map.Viewport().ToScreen({35.5, 139.5});
    Click(map, {big.x - 15, big.y});
    Click(map, {10, 390});
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked.at(0), 8) << "the small circle inside the big one";
    EXPECT_EQ(clicked.at(1), 7);

    // A drag that starts on a circle moves the map and selects nothing.
    const GeoPoint before = map.Viewport().Centre();
    const QPointF from(big.x - 15, big.y);
    QMouseEvent press(QEvent::MouseButtonPress, from, map.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&map, &press);
    for (int step = 1; step <= 5; ++step) {
        const QPointF to = from + QPointF(-20 * step, 0);
        QMouseEvent move(QEvent::MouseMove, to, map.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&map, &move);
    }
    const QPointF end = from + QPointF(-100, 0);
    QMouseEvent release(QEvent::MouseButtonRelease, end, map.mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&map, &release);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_GT(map.Viewport().Centre().lon, before.lon);
    EXPECT_NEAR(map.Viewport().ToScreen({35.5, 139.5}).x, big.x - 100, 1e-6);
}

class LinkCatcher final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> m_opened;

public slots:
    void Open(const QUrl& url) { m_opened << url; }
};

TEST(MapWidgetTest, ButtonsZoomKindsKeepTheViewAndCreditsOpenOutside) {
    CMapWidget map;
    map.resize(600, 400);
    map.show();
    map.CentreOn({-33.9, 151.2}, 6);
    Click(map, {10 + 13, 10 + 13});  // +
    EXPECT_EQ(map.Viewport().Zoom(), 7);
    Click(map, {10 + 13, 10 + 27 + 13});  // −
    Click(map, {10 + 13, 10 + 27 + 13});
    EXPECT_EQ(map.Viewport().Zoom(), 5);
    QWheelEvent wheel({300, 200}, map.mapToGlobal(QPointF(300, 200)), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&map, &wheel);
    EXPECT_EQ(map.Viewport().Zoom(), 7);

    // A new kind keeps the zoom and the centre, within what its tiles offer.
    const GeoPoint centre = map.Viewport().Centre();
    for (int kind : {1, 2, 0}) {
        map.SetKind(kind);
        EXPECT_EQ(map.Viewport().Zoom(), 7);
        EXPECT_EQ(map.Viewport().Centre().lat, centre.lat);
        EXPECT_EQ(map.Viewport().Centre().lon, centre.lon);
    }
    map.SetZoom(19);
    map.SetKind(3);
    EXPECT_EQ(map.Viewport().Zoom(), 17);
    map.hide();
    map.show();
    EXPECT_EQ(map.Viewport().Zoom(), 17);

    // The credit's link goes to the user's browser; the map stays where it is.
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    map.grab();
    const GeoPoint shown = map.Viewport().Centre();
    bool found = false;
    for (int x = 599; x > 300 && !found; x -= 2) {
        Click(map, {static_cast<double>(x), 395});
        found = !catcher.m_opened.isEmpty();
    }
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_TRUE(found);
    // The rightmost credit of the topographic map: the style's licence.
    EXPECT_EQ(catcher.m_opened.front().host(), "creativecommons.org");
    EXPECT_EQ(map.Viewport().Centre().lat, shown.lat);
    EXPECT_EQ(map.Viewport().Zoom(), 17);
}

// At world zoom a Fiji quake selected while the map shows California comes into view clear of the edges (not
// behind the buttons or at the rim of a world copy), and "+" and "−" zoom about it while it is in view.
TEST(MapWidgetTest, ASelectedQuakeAtWorldZoomComesIntoViewAndTheButtonsZoomAboutIt) {
    const GeoPoint fiji{-17.9, 178.1};
    for (const int zoom : {1, 2}) {
        CMapWidget map;
        map.resize(800, 360);
        map.show();
        map.CentreOn({36.8, -120.1}, zoom);
        map.SetMarker(fiji);
        map.BringIntoView(fiji);
        ASSERT_TRUE(map.Viewport().Contains(fiji, 40)) << "zoom " << zoom;
        for (int i = 0; i < 4; ++i) {
            const ScreenPoint before = map.Viewport().ToScreen(fiji);
            Click(map, {10 + 13, 10 + 13});  // +
            EXPECT_EQ(map.Viewport().Zoom(), zoom + i + 1);
            const ScreenPoint after = map.Viewport().ToScreen(fiji);
            EXPECT_NEAR(after.x, before.x, 1.0) << "zoom " << zoom + i + 1;
            EXPECT_NEAR(after.y, before.y, 1.0) << "zoom " << zoom + i + 1;
        }
        Click(map, {10 + 13, 10 + 27 + 13});  // −
        EXPECT_TRUE(map.Viewport().Contains(fiji, 40)) << "zoom " << zoom;
        // Panned away, the quake is out of view: the buttons zoom about the middle again.
        map.CentreOn({48.0, 2.0}, 4);
        const GeoPoint middle = map.Viewport().Centre();
        Click(map, {10 + 13, 10 + 13});
        EXPECT_NEAR(map.Viewport().Centre().lat, middle.lat, 1e-6);
        EXPECT_NEAR(map.Viewport().Centre().lon, middle.lon, 1e-6);
    }
}

// A PNG of side² opaque pixels of one colour: a small file that decodes to side² × 4 bytes. Made in a child
// process, so that the image it is made from is in no peak of this one.
QByteArray UniformPng(int side) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(QColor(0x20, 0x40, 0x60));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        bool ok = image.save(&buffer, "PNG");
        for (qsizetype done = 0; ok && done < png.size();) {
            const ssize_t n = ::write(fds[1], png.constData() + done, static_cast<std::size_t>(png.size() - done));
            ok = n > 0;
            done += n;
        }
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray png;
    char chunk[65536];
    ssize_t n = 0;
    while (child > 0 && (n = ::read(fds[0], chunk, sizeof(chunk))) > 0) {
        png.append(chunk, n);
    }
    ::close(fds[0]);
    int status = 1;
    if (child > 0) {
        ::waitpid(child, &status, 0);
    }
    return status == 0 ? png : QByteArray();
}

long long PeakGrowthSince(long long before) {
    return test::PeakResidentBytes() - before;
}

std::size_t VisibleCount(const CMapWidget& map) {
    return map.Viewport().VisibleTiles().size();
}

TEST(MapWidgetHostileTilesTest, AnImageOfHugeSizeIsRefusedUndecoded) {
    // 5,700² pixels in about 130 KB: 124 MiB a tile once decoded.
    const QByteArray bomb = UniformPng(5700);
    ASSERT_FALSE(bomb.isEmpty());
    ASSERT_LT(bomb.size(), 1 << 20);
    TileServer server(200);
    server.SetBody(bomb);
    ScopedTileUrl url(server.Template());
    const long long before = test::PeakResidentBytes();
    ASSERT_GT(before, 0);
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    ShowCentralEurope(map, 300, 300);
    const std::size_t visible = VisibleCount(map);
    ASSERT_TRUE(WaitFor([&] { return server.m_requests.size() >= visible && server.Open() == 0; }));
    Pause(300);
    EXPECT_EQ(map.TilesInMemory(), 0U);
    EXPECT_TRUE(map.TilesFailing());
    // Refused tiles wait like any failed one.
    for (const auto& [path, count] : server.m_requests) {
        EXPECT_EQ(count, 1) << path.toStdString();
    }
    if (test::kMemoryMeaningful) {
        EXPECT_LT(PeakGrowthSince(before), 48LL << 20);
    }
}

TEST(MapWidgetHostileTilesTest, EndlessBodiesAreCutOffAsTheyCome) {
    test::HttpTestServer server;
    const std::string tileTemplate = server.Url("/{z}/{x}/{y}.png");
    ScopedTileUrl url(QString::fromStdString(tileTemplate));
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    ShowCentralEurope(map, 300, 300);
    // Every other tile declares 10 GB; the rest declare nothing and never end.
    const TileLayer layer{tileTemplate, {}};
    int i = 0;
    for (const TilePlacement& placement : map.Viewport().VisibleTiles()) {
        test::HttpResponse endless;
        endless.headers = {{"Content-Type", "image/png"}, {"Cache-Control", "no-store"}};
        endless.streamBytes = i++ % 2 == 0 ? 10'000'000'000LL : -1;
        server.Set(TileUrl(layer, placement.tile).substr(server.Url("").size()), endless);
    }
    const std::size_t visible = VisibleCount(map);
    const long long before = test::PeakResidentBytes();
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() >= visible && server.OpenConnections() == 0; }))
        << server.Requests().size() << " requests of " << visible << ", " << server.OpenConnections() << " still open";
    EXPECT_EQ(map.TilesInMemory(), 0U);
    EXPECT_TRUE(map.TilesFailing());
    if (test::kMemoryMeaningful) {
        EXPECT_LT(PeakGrowthSince(before), 48LL << 20);
    }
}

TEST(MapWidgetHostileTilesTest, TricklingTilesNeitherHoldTheServiceNorRunOn) {
    TileServer server(200);
    server.m_trickleFirst = 2;
    ScopedTileUrl url(server.Template());
    CMapWidget map;
    ShowCentralEurope(map, 700, 500);
    const std::size_t visible = VisibleCount(map);
    ASSERT_GT(visible, 6U);
    QElapsedTimer clock;
    clock.start();
    // The rest of the view comes while the first two still trickle.
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible - 2; }, 15000));
    EXPECT_EQ(server.Open(), 2);
    // Cut off when their time is up, asked for again after a failure's wait, and served.
    ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() == visible; }, 45000));
    EXPECT_GE(clock.elapsed(), 25000);
    EXPECT_EQ(server.m_requests.size(), visible);
    EXPECT_LE(server.m_mostOpen, 4) << "a host still has few connections";
}

TEST(MapWidgetHostileTilesTest, DecodedTilesStayWithinTheirBytes) {
    // The largest tiles taken, 4 MiB each decoded, more of them in view than fit.
    TileServer server(200);
    server.SetColour(QColor(0x00, 0x80, 0x00), 1024);
    ScopedTileUrl url(server.Template());
    const long long before = test::PeakResidentBytes();
    CMapWidget map;
    ShowCentralEurope(map, 1600, 1000);
    const std::size_t visible = VisibleCount(map);
    ASSERT_GT(visible, 30U);
    ASSERT_TRUE(WaitFor([&] { return server.m_requests.size() >= visible && server.Open() == 0; }, 30000));
    Pause(500);
    EXPECT_LE(map.TilesInMemory(), 16U);
    EXPECT_GE(map.TilesInMemory(), 12U);
    // Tiles that found no room are not fetched again and again.
    for (const auto& [path, count] : server.m_requests) {
        EXPECT_EQ(count, 1) << path.toStdString();
    }
    if (test::kMemoryMeaningful) {
        EXPECT_LT(PeakGrowthSince(before), 112LL << 20);
    }

    // Moved, the view asks for what it lacks again, and still keeps within the bytes.
    map.CentreOn({50, 30}, 5);
    ASSERT_TRUE(WaitFor([&] { return server.m_requests.size() > visible && server.Open() == 0; }));
    Pause(500);
    EXPECT_LE(map.TilesInMemory(), 16U);
}

}  // namespace
}  // namespace dravik

#include "map_widget_test.moc"
