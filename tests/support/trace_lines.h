#pragma once
// The trace's lines of one kind, without their time field, as tests compare them.

#include <sstream>
#include <string>
#include <vector>

namespace nearbeam::test {

using TraceLine = std::vector<std::string>;

inline std::vector<TraceLine> traceLines(const std::string& text, const std::string& kind) {
    std::vector<TraceLine> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        TraceLine fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');)
            fields.push_back(field);
        if (line.back() == '\t')
            fields.emplace_back();
        if (fields.size() > 1 && fields[1] == kind)
            out.emplace_back(fields.begin() + 1, fields.end());
    }
    return out;
}

} // namespace nearbeam::test
