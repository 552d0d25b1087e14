#include "platform/net/socket_maker.h"

#include <QNetworkProxy>
#include <QSslSocket>
#include <QString>
#include <QTcpSocket>

namespace dravik {

std::unique_ptr<QTcpSocket> MakeSocket(bool tls, const std::optional<ProxyAddress>& proxy, qint64 readAhead) {
    std::unique_ptr<QTcpSocket> socket = tls ? std::make_unique<QSslSocket>() : std::make_unique<QTcpSocket>();
    socket->setReadBufferSize(readAhead);
    if (proxy && proxy->socks) {
        // Qt's SOCKS5 engine reads messages of fixed sizes, so it needs no bound of ours.
        socket->setProxy(QNetworkProxy(QNetworkProxy::Socks5Proxy, QString::fromStdString(proxy->host),
                                       static_cast<quint16>(proxy->port), QString::fromStdString(proxy->user),
                                       QString::fromStdString(proxy->password)));
    } else {
        socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
    return socket;
}

}  // namespace dravik
