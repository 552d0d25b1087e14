#pragma once

#include <QtGlobal>

#include <memory>
#include <optional>

#include "platform/proxy_env.h"

class QTcpSocket;

namespace dravik {

// The socket of one connection: a QSslSocket only where TLS is needed, since making one loads the TLS library
// for good; reading no further ahead than `readAhead` bytes; through a SOCKS5 proxy when `proxy` is one, and
// never through Qt's own HTTP proxy engine, which reads a CONNECT's answer without bound (callers tunnel
// themselves).
std::unique_ptr<QTcpSocket> MakeSocket(bool tls, const std::optional<ProxyAddress>& proxy, qint64 readAhead);

}  // namespace dravik
