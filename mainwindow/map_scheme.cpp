#include "mainwindow/map_scheme.h"

#include <QBuffer>
#include <QFile>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include "mainwindow/map_page.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitMapPageResources() {
    Q_INIT_RESOURCE(map_pages);
}

namespace dravik {

namespace {

constexpr const char* kMapHost = "map";

// The files of Leaflet the pages load, by path; nothing else of the resources is reachable.
struct StaticFile {
    const char* path;
    const char* resource;
    const char* mimeType;
};

const StaticFile kStaticFiles[] = {
    {"/leaflet/leaflet.js", ":/map/leaflet/leaflet.js", "application/javascript"},
    {"/leaflet/leaflet.css", ":/map/leaflet/leaflet.css", "text/css"},
    {"/leaflet/images/marker-icon.png", ":/map/leaflet/images/marker-icon.png", "image/png"},
    {"/leaflet/images/marker-icon-2x.png", ":/map/leaflet/images/marker-icon-2x.png", "image/png"},
    {"/leaflet/images/marker-shadow.png", ":/map/leaflet/images/marker-shadow.png", "image/png"},
    {"/leaflet/images/layers.png", ":/map/leaflet/images/layers.png", "image/png"},
    {"/leaflet/images/layers-2x.png", ":/map/leaflet/images/layers-2x.png", "image/png"},
    // The page's end of the web channel (Qt's own copy) and the page's script for the listed events.
    {"/qwebchannel.js", ":/qtwebchannel/qwebchannel.js", "application/javascript"},
    {"/quakes.js", ":/map/quakes.js", "application/javascript"},
};

void Reply(QWebEngineUrlRequestJob* job, const QByteArray& mimeType, const QByteArray& body) {
    // The buffer lives as long as the job that reads it.
    auto* buffer = new QBuffer(job);
    buffer->setData(body);
    job->reply(mimeType, buffer);
}

class CMapSchemeHandler final : public QWebEngineUrlSchemeHandler {
    Q_DISABLE_COPY_MOVE(CMapSchemeHandler)

public:
    explicit CMapSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QUrl url = job->requestUrl();
        if (job->requestMethod() != "GET" || url.host() != QLatin1String(kMapHost)) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const std::string path = url.path().toStdString();
        const int kind = MapKindForPath(path);
        if (kind >= 0) {
            const QUrlQuery query(url);
            const std::string wsp1 = query.queryItemValue("wsp1", QUrl::FullyDecoded).toStdString();
            const std::string wsp2 = query.queryItemValue("wsp2", QUrl::FullyDecoded).toStdString();
            Reply(job, "text/html", QByteArray::fromStdString(MapPageHtml(kind, wsp1, wsp2)));
            return;
        }
        for (const StaticFile& file : kStaticFiles) {
            if (path == file.path) {
                QFile resource(QString::fromLatin1(file.resource));
                if (!resource.open(QIODevice::ReadOnly)) {
                    job->fail(QWebEngineUrlRequestJob::RequestFailed);
                    return;
                }
                Reply(job, file.mimeType, resource.readAll());
                return;
            }
        }
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    }
};

}  // namespace

void RegisterMapScheme() {
    if (QWebEngineUrlScheme::schemeByName(kMapSchemeName).name() == kMapSchemeName) {
        return;
    }
    QWebEngineUrlScheme scheme(kMapSchemeName);
    // Host syntax gives the pages an origin, so "/leaflet/..." resolves on the same server.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void InstallMapSchemeHandler(QWebEngineProfile* profile) {
    if (profile == nullptr) {
        profile = QWebEngineProfile::defaultProfile();
    }
    if (profile->urlSchemeHandler(kMapSchemeName) != nullptr) {
        return;
    }
    InitMapPageResources();
    profile->installUrlSchemeHandler(kMapSchemeName, new CMapSchemeHandler(profile));
}

}  // namespace dravik
