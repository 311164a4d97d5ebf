#include "services/sharing_log.h"

#include "base/utc_time.h"
#include "records/data_file.h"

namespace nearbeam {

bool SharingLog::record(std::time_t when, std::string_view serviceKey, std::string_view url) const {
    std::string line = utcTimeText(when) + "\t";
    line += serviceKey;
    line += url;
    if (!datafile::appendLine(path_, line))
        return false;
    std::vector<std::string> lines;
    {
        // Closed before the replace: Windows renames nothing over an open file.
        datafile::LineReader reader(path_);
        std::string_view next;
        while (reader.next(next))
            lines.emplace_back(datafile::lineText(next));
    }
    if (lines.size() <= kKeptLines)
        return true;
    lines.erase(lines.begin(), lines.end() - kKeptLines);
    return datafile::replaceLines(path_, lines);
}

std::vector<SharingEntry> SharingLog::entries() const {
    std::vector<SharingEntry> out;
    datafile::LineReader reader(path_);
    std::string_view line;
    while (reader.next(line)) {
        const std::string_view text = datafile::lineText(line);
        // The time, then the key's three fields; the URL is what follows.
        size_t at = std::string_view::npos;
        for (int tab = 0; tab < 4; ++tab) {
            at = text.find('\t', tab == 0 ? 0 : at + 1);
            if (at == std::string_view::npos)
                break;
        }
        if (at == std::string_view::npos)
            continue;
        out.push_back(
            {std::string(text.substr(0, text.find('\t'))), std::string(text.substr(at + 1))});
    }
    return {out.rbegin(), out.rend()};
}

} // namespace nearbeam
