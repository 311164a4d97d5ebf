#pragma once
// HTTP/1.0 over plain sockets, with the same progress events as the WinInet
// transport: for the native build and its tests (it also works on Windows).

#include "net/http_transport.h"

namespace nearbeam {

class SocketTransport : public HttpTransport {
  public:
    explicit SocketTransport(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}
    bool perform(const HttpAttempt& attempt, HttpSink& sink) override;

  private:
    HttpTimeouts timeouts_;
};

} // namespace nearbeam
