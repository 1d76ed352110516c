// TLS over a connection with the system's Schannel (SSPI): TLS 1.2 and later,
// the host name sent for SNI, and the server's certificate chain verified
// against the user's trusted roots and checked for the host name. There is no
// way to skip the verification.
#pragma once

#include <memory>
#include <string>

#include "engine/net/network.h"

// Negotiates TLS with `host` over `inner` and returns the secure connection in
// `out`. kErrorOk; kErrorCertificate when the certificate fails verification;
// kErrorTls when no TLS session could be negotiated; kErrorTimeout,
// kErrorNoConnection, kErrorAborted from the connection below.
[[nodiscard]] int StartTlsConnection(std::unique_ptr<Connection> inner, const std::string& host,
                                     uint32_t timeout_ms, std::unique_ptr<Connection>& out);
