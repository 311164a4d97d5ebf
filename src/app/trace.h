#pragma once
// The program's diagnosis log, written only when asked for (--trace FILE): one
// line per event, UTF-8, LF-terminated, tab-separated fields, the first field
// the milliseconds since the program started.
//
//   tick     <status as decimal>  <status text>  [<how sure, when two floors are close>]
//   tooltip  <icon id>            <tooltip text as set>
//   alert    <title>              <text>   <link or empty>
//   note     <text>                        (something the user should know of)

#include "app/notifier.h"
#include "base/clock.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace nearbeam {

class TraceWriter {
  public:
    // Appends to the file at path; start is the clock's tick count at start-up.
    TraceWriter(const std::filesystem::path& path, const Clock& clock, uint32_t start);
    bool isOpen() const { return out_.is_open(); }

    // sure: empty, or a last field saying the two best floors were close.
    void tick(int32_t status, const std::wstring& text, const std::string& sure = {});
    void tooltip(int icon, const std::wstring& text);
    void alert(const std::wstring& title, const std::wstring& text, const std::wstring& link);
    void note(const std::string& text);

  private:
    void line(const std::vector<std::string>& fields);

    std::mutex mutex_; // alerts come from the web agent's thread too
    std::ofstream out_;
    const Clock& clock_;
    uint32_t start_;
};

// Passes every call on to the real notifier and writes what was shown to the
// trace, with the texts cut as the tray cuts them.
class TracingNotifier : public Notifier {
  public:
    TracingNotifier(Notifier& inner, TraceWriter& trace) : inner_(inner), trace_(trace) {}

    void setStatus(int icon, const std::wstring& tooltip) override;
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override;
    void showMessage(const std::wstring& text, const std::wstring& caption) override;

  private:
    Notifier& inner_;
    TraceWriter& trace_;
};

} // namespace nearbeam
