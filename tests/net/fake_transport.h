#pragma once
// A scripted HTTP transport for the web agent's tests: answers each attempt from a
// queue of replies and records what was asked.

#include "net/http_transport.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace nearbeam::test {

struct FakeReply {
    bool connects = true;
    int status = 200;
    int64_t contentLength = -1;
    std::vector<std::string> chunks; // the body as it arrives
    bool endsCleanly = true;         // false: the connection breaks after the chunks
};

struct SeenAttempt {
    std::wstring host;
    uint16_t port;
    std::wstring path;
    bool post;
    std::string body;
    bool secure;
};

class FakeTransport : public HttpTransport {
  public:
    void queue(FakeReply reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_.push_back(std::move(reply));
    }
    std::vector<SeenAttempt> seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }
    // Runs inside the next attempt, after the request is sent.
    std::function<void()> duringAttempt;

    bool perform(const HttpAttempt& attempt, HttpSink& sink) override {
        FakeReply reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back({attempt.host, attempt.port, attempt.path, attempt.body != nullptr,
                             attempt.body ? *attempt.body : std::string(), attempt.secure});
            if (!replies_.empty()) {
                reply = replies_.front();
                replies_.pop_front();
            }
        }
        sink.progress(WebProgress::Resolving);
        sink.progress(WebProgress::Connecting);
        if (!reply.connects)
            return false;
        sink.progress(WebProgress::Connected);
        sink.progress(WebProgress::RequestSent);
        if (duringAttempt) {
            auto hook = std::move(duringAttempt);
            duringAttempt = nullptr;
            hook();
        }
        if (!sink.status(reply.status, reply.contentLength))
            return false;
        for (const std::string& chunk : reply.chunks) {
            sink.progress(WebProgress::Receiving);
            if (!sink.received(chunk.data(), chunk.size()))
                return false;
        }
        return reply.endsCleanly;
    }

  private:
    std::mutex mutex_;
    std::deque<FakeReply> replies_;
    std::vector<SeenAttempt> seen_;
};

} // namespace nearbeam::test
