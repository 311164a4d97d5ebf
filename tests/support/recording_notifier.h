#pragma once
// A Notifier that keeps every call, for tests.

#include "app/notifier.h"

#include <mutex>
#include <string>
#include <vector>

namespace nearbeam {

class RecordingNotifier : public Notifier {
  public:
    struct Status {
        int icon;
        std::wstring tooltip;
    };
    struct Alert {
        std::wstring text, title, link;
    };
    struct Message {
        std::wstring text, caption;
    };

    void setStatus(int icon, const std::wstring& tooltip) override {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back({icon, tooltip});
    }
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override {
        std::lock_guard<std::mutex> lock(mutex_);
        alerts_.push_back({text, title, link});
    }
    void showMessage(const std::wstring& text, const std::wstring& caption) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back({text, caption});
    }

    std::vector<Status> statuses() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return statuses_;
    }
    std::vector<Alert> alerts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return alerts_;
    }
    std::vector<Message> messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.clear();
        alerts_.clear();
        messages_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Status> statuses_;
    std::vector<Alert> alerts_;
    std::vector<Message> messages_;
};

} // namespace nearbeam
