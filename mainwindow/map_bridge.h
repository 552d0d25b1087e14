#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

namespace dravik {

// The one object the built-in map page reaches through its web channel. Everything goes to the page as
// signals with numbers and texts, which the channel writes as JSON and the page reads with JSON.parse, so
// no text of an event ever becomes script. The page calls back only with whole numbers.
class CMapBridge final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMapBridge)

public:
    // isOwnPage says whether the page now shown is a built-in one; calls from any other page are ignored.
    CMapBridge(std::function<bool()> isOwnPage, QObject* parent);

    // The page has set up its channel and its circles' layer; until then, and after each new load starts,
    // nothing is sent.
    Q_INVOKABLE void pageReady();
    // The user clicked the circle of event id.
    Q_INVOKABLE void circleClicked(int id);

    bool IsReady() const { return m_bReady; }
    void PageLoadStarted() { m_bReady = false; }

signals:
    // To the page. An event: {id, lat, lon, radius, age, mag, region, date, time}.
    void eventsReset(const QVariantList& events);
    void eventsAdded(const QVariantList& events);
    // Pairs of id and new age.
    void eventsAged(const QVariantList& idsAndAges);
    // The selected event's marker; the page brings it into view when it lies outside.
    void markerMoved(double lat, double lon);
    // {lat, lon, name}, or empty for no home place.
    void homeChanged(const QVariantMap& home);
    void legendChanged(const QStringList& texts);

    // To the program.
    void PageBecameReady();
    void CircleClicked(int id);

protected:
    // A page script may call any public slot, deleteLater too; the bridge goes only with its owner.
    bool event(QEvent* event) override;

private:
    std::function<bool()> m_isOwnPage;
    bool m_bReady = false;
};

}  // namespace dravik
