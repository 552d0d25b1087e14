#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "map/qt/map_widget.h"
#include "tests/common/process_events.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

void Pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

struct SeenRequest {
    QByteArray path;
    // Lower-case names.
    std::map<QByteArray, QByteArray> headers;
    int server = 0;
};

// Tile servers on 127.0.0.1 (and 127.0.0.2 and .3 on the same port, for a service's sub-domains), one connection a
// request: they note every request whole and how many were open at once across them all, and answer through
// m_answer.
class TileServers final {
public:
    struct Answer {
        int status = 200;
        QByteArray headers;  // lines ending in \r\n
        int delayMs = 30;
    };

    explicit TileServers(int count = 1) {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(0xff, 0x00, 0xff));
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        quint16 port = 0;
        for (int i = 0; i < count; ++i) {
            auto server = std::make_unique<QTcpServer>();
            if (!server->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(i + 1)), port)) {
                return;
            }
            port = server->serverPort();
            QTcpServer* raw = server.get();
            QObject::connect(raw, &QTcpServer::newConnection, [this, raw, i] {
                while (QTcpSocket* socket = raw->nextPendingConnection()) {
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, i] { Read(socket, i); });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                        m_answering.remove(socket);
                        socket->deleteLater();
                    });
                }
            });
            m_servers.push_back(std::move(server));
        }
        m_port = port;
    }

    bool Listening(int count) const { return static_cast<int>(m_servers.size()) == count; }
    QString Template(const char* host = "127.0.0.1") const {
        return QStringLiteral("http://%1:%2/{z}/{x}/{y}.png").arg(QLatin1String(host)).arg(m_port);
    }

    std::vector<SeenRequest> m_requests;
    std::function<Answer(const SeenRequest&)> m_answer = [](const SeenRequest&) { return Answer{}; };
    int m_mostOpen = 0;

private:
    void Read(QTcpSocket* socket, int server) {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n")) {
            return;
        }
        SeenRequest seen;
        seen.server = server;
        const QList<QByteArray> lines = pending.left(pending.indexOf("\r\n\r\n")).split('\n');
        seen.path = lines.value(0).split(' ').value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                seen.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
            }
        }
        m_pending.remove(socket);
        m_requests.push_back(seen);
        // Counted from the request to its answer, not by connections: a closed one may be noticed only after the
        // client's next has come in.
        m_answering.insert(socket);
        m_mostOpen = std::max(m_mostOpen, static_cast<int>(m_answering.size()));
        const Answer answer = m_answer(seen);
        QTimer::singleShot(answer.delayMs, socket, [this, socket, answer] {
            const QByteArray body = answer.status == 200 ? m_png : QByteArray();
            m_answering.remove(socket);
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: image/png\r\n" +
                          answer.headers + "Connection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

    // Before the servers: their sockets, closed as they go, still take themselves out of it.
    QSet<QTcpSocket*> m_answering;
    std::vector<std::unique_ptr<QTcpServer>> m_servers;
    quint16 m_port = 0;
    QByteArray m_png;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

void Show(CMapWidget& map) {
    map.resize(700, 500);
    map.show();
    map.CentreOn({50, 15}, 5);
}

QString UrlOf(const TileServers& servers, const SeenRequest& request) {
    return servers.Template().section(QLatin1Char('/'), 0, 2) + QString::fromLatin1(request.path);
}

// A second look at the map, with the tiles let go in between, as after the tray.
void LookAgain(CMapWidget& map, std::size_t visible) {
    map.ReleaseTiles();
    map.RestoreTiles();
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return map.TilesInMemory() == visible; }));
}

TEST(TileRequestsTest, StaleTilesAreRevalidatedAndA304KeepsAndRenewsThem) {
    TileServers servers;
    test::ScopedEnv url("DRAVIK_TILE_URL", servers.Template().toUtf8().constData());
    const QByteArray lastModified = "Tue, 01 Dec 2026 10:00:00 GMT";
    bool revalidated = false;
    servers.m_answer = [&](const SeenRequest& request) {
        const auto tag = request.headers.find("if-none-match");
        if (revalidated && tag != request.headers.end() && tag->second == "\"v1\"") {
            return TileServers::Answer{304, "Cache-Control: max-age=3600\r\nETag: \"v1\"\r\n"};
        }
        return TileServers::Answer{
            200, "Cache-Control: max-age=0\r\nETag: \"v1\"\r\nLast-Modified: " + lastModified + "\r\n"};
    };
    CMapWidget map;
    map.SetUserAgent("Dravik/9.9 (+https://dravik.example)");
    Show(map);
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return map.TilesInMemory() == visible; }));
    ASSERT_EQ(servers.m_requests.size(), visible);

    // Stale at once: the next look asks with the validators, and a 304 keeps the tile on disk.
    revalidated = true;
    LookAgain(map, visible);
    ASSERT_EQ(servers.m_requests.size(), 2 * visible);
    for (std::size_t i = 0; i < servers.m_requests.size(); ++i) {
        const auto& headers = servers.m_requests[i].headers;
        SCOPED_TRACE(servers.m_requests[i].path.toStdString());
        EXPECT_EQ(headers.at("user-agent"), "Dravik/9.9 (+https://dravik.example)");
        // The services block programs that refuse their caches.
        EXPECT_EQ(headers.count("pragma"), 0U);
        EXPECT_EQ(
            headers.count("cache-control") != 0 ? headers.at("cache-control").toLower().contains("no-cache") : false,
            false);
        if (i >= visible) {
            EXPECT_EQ(headers.count("if-none-match") ? headers.at("if-none-match") : QByteArray(), "\"v1\"");
            EXPECT_EQ(headers.count("if-modified-since") ? headers.at("if-modified-since") : QByteArray(),
                      lastModified);
        } else {
            EXPECT_EQ(headers.count("if-none-match"), 0U);
        }
    }
    EXPECT_EQ(map.grab().toImage().pixelColor(350, 250).rgb(), QColor(0xff, 0x00, 0xff).rgb());
    const qint64 expiresIn =
        QDateTime::currentDateTimeUtc().secsTo(map.CachedTileExpiry(UrlOf(servers, servers.m_requests.back())));
    EXPECT_GT(expiresIn, 3500);
    EXPECT_LE(expiresIn, 3600);

    // Renewed for an hour: the next look takes the disk's copies without asking.
    LookAgain(map, visible);
    Pause(200);
    EXPECT_EQ(servers.m_requests.size(), 2 * visible);
}

TEST(TileRequestsTest, ATileWithoutExpiryIsKeptAWeek) {
    TileServers servers;
    test::ScopedEnv url("DRAVIK_TILE_URL", servers.Template().toUtf8().constData());
    servers.m_answer = [](const SeenRequest&) { return TileServers::Answer{200, "ETag: \"w\"\r\n"}; };
    CMapWidget map;
    Show(map);
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return map.TilesInMemory() == visible; }));
    const qint64 expiresIn =
        QDateTime::currentDateTimeUtc().secsTo(map.CachedTileExpiry(UrlOf(servers, servers.m_requests.front())));
    EXPECT_GT(expiresIn, 7 * 24 * 3600 - 60);
    EXPECT_LE(expiresIn, 7 * 24 * 3600);
    LookAgain(map, visible);
    Pause(200);
    EXPECT_EQ(servers.m_requests.size(), visible);
}

TEST(TileRequestsTest, AServiceGetsTwoRequestsAtATimeOverAllItsSubDomains) {
    TileServers servers(3);
    if (!servers.Listening(3)) {
        GTEST_SKIP() << "127.0.0.2 and 127.0.0.3 cannot be listened on here";
    }
    test::ScopedEnv url("DRAVIK_TILE_URL", servers.Template("127.0.0.{s}").toUtf8().constData());
    test::ScopedEnv subdomains("DRAVIK_TILE_SUBDOMAINS", "123");
    servers.m_answer = [](const SeenRequest&) { return TileServers::Answer{200, "Cache-Control: no-store\r\n", 150}; };
    CMapWidget map;
    Show(map);
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    ASSERT_GT(visible, 6U);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return map.TilesInMemory() == visible; }));
    std::map<int, int> perServer;
    for (const SeenRequest& request : servers.m_requests) {
        ++perServer[request.server];
    }
    EXPECT_EQ(perServer.size(), 3U) << "the tiles are spread over the sub-domains";
    EXPECT_EQ(servers.m_mostOpen, 2) << "yet the service had two at a time";
}

}  // namespace
}  // namespace dravik
