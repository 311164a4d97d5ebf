#include "app/trace.h"

#include "base/text.h"

namespace nearbeam {

namespace {

// A field must not break the line or the columns.
std::string field(const std::wstring& text) {
    std::string out = toUtf8(text);
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

} // namespace

TraceWriter::TraceWriter(const std::filesystem::path& path, const Clock& clock, uint32_t start)
    : out_(path, std::ios::binary | std::ios::app), clock_(clock), start_(start) {}

void TraceWriter::tick(int32_t status, const std::wstring& text, const std::string& sure) {
    if (sure.empty())
        line({"tick", std::to_string(status), field(text)});
    else
        line({"tick", std::to_string(status), field(text), field(widen(sure))});
}

void TraceWriter::tooltip(int icon, const std::wstring& text) {
    line({"tooltip", std::to_string(icon), field(text)});
}

void TraceWriter::alert(const std::wstring& title, const std::wstring& text,
                        const std::wstring& link) {
    line({"alert", field(title), field(text), field(link)});
}

void TraceWriter::note(const std::string& text) {
    line({"note", field(widen(text))});
}

void TraceWriter::line(const std::vector<std::string>& fields) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!out_.is_open())
        return;
    // Unsigned difference: correct across the tick counter's wrap.
    std::string text = std::to_string(static_cast<uint32_t>(clock_.tickCount() - start_));
    for (const auto& f : fields) {
        text += '\t';
        text += f;
    }
    text += '\n';
    out_ << text;
    out_.flush(); // someone may be watching the file grow
}

void TracingNotifier::setStatus(int icon, const std::wstring& tooltip) {
    trace_.tooltip(icon, cutText(tooltip, kTooltipChars));
    inner_.setStatus(icon, tooltip);
}

void TracingNotifier::showAlert(const std::wstring& text, const std::wstring& title,
                                const std::wstring& link) {
    trace_.alert(cutText(title, kAlertTitleChars), cutText(text, kAlertTextChars), link);
    inner_.showAlert(text, title, link);
}

void TracingNotifier::showMessage(const std::wstring& text, const std::wstring& caption) {
    inner_.showMessage(text, caption);
}

} // namespace nearbeam
