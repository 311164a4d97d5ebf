#include "ui/upload_summary.h"

#include <vector>

namespace nearbeam {
namespace {

std::wstring counted(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

// "a", "a and b", "a, b and c".
std::wstring listed(const std::vector<std::wstring>& parts) {
    std::wstring text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += i + 1 == parts.size() ? L" and " : L", ";
        text += parts[i];
    }
    return text;
}

} // namespace

std::wstring uploadSummaryText(const Uploader::Summary& summary) {
    std::vector<std::wstring> parts;
    if (summary.places)
        parts.push_back(counted(summary.places, L"place", L"places"));
    if (summary.records)
        parts.push_back(counted(summary.records, L"other record", L"other records"));
    if (summary.scans)
        parts.push_back(counted(summary.scans, L"survey scan", L"survey scans"));
    std::wstring text = parts.empty()
                            ? L"Nothing waits for upload to " + summary.server + L"."
                            : L"Upload sends " + listed(parts) + L" to " + summary.server + L".";
    if (summary.unreadable)
        text += L" " +
                counted(summary.unreadable, L"line of your files cannot be read and stays",
                        L"lines of your files cannot be read and stay") +
                L" on this computer.";
    return text;
}

} // namespace nearbeam
