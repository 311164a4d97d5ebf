#pragma once
// HTTP and HTTPS through libcurl, with the same progress events, time-outs and
// cancellation as the WinInet transport: the native build's transport (its tests
// and the Linux program). Certificates are always checked; a failed check fails
// the attempt.

#include "net/http_transport.h"

#include <string>

namespace nearbeam {

class CurlTransport : public HttpTransport {
  public:
    struct Options {
        HttpTimeouts timeouts;
        // A PEM file of the authorities to trust instead of the system's; empty:
        // the system's.
        std::string caFile;
    };

    CurlTransport();
    explicit CurlTransport(Options options);
    bool perform(const HttpAttempt& attempt, HttpSink& sink) override;

  private:
    Options options_;
};

} // namespace nearbeam
