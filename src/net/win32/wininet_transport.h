#pragma once
// The Windows program's HTTP: WinInet, synchronous, agent "CeHttp", the system's
// proxy settings, HTTP/1.0, accept type "*/*" only, no caching, no Content-Type.
// The status callback becomes progress events 0 to 4.

#include "net/http_transport.h"

namespace nearbeam {

class WinInetTransport : public HttpTransport {
  public:
    explicit WinInetTransport(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}
    bool perform(const HttpAttempt& attempt, HttpSink& sink) override;

  private:
    HttpTimeouts timeouts_;
};

} // namespace nearbeam
