#include "wireless/simulated_driver.h"

#include "base/hex_digits.h"
#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

namespace nearbeam {

namespace {

constexpr size_t kMaxSsidBytes = 32;
constexpr size_t kMaxAdapterName = 256;

struct ParseError {
    std::string message;
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string quoted(std::string_view token) {
    return "\"" + std::string(token) + "\"";
}

// One token of a line: a bare word, or a double-quoted text with its escapes
// already resolved.
struct Token {
    std::string text;
    bool quoted = false;
    size_t start = 0; // offset in the line
};

// Splits a line into tokens. A '#' that starts a token begins a comment.
std::optional<ParseError> tokenize(std::string_view line, std::vector<Token>& tokens,
                                   size_t& contentEnd) {
    tokens.clear();
    size_t i = 0;
    contentEnd = line.size();
    while (true) {
        while (i < line.size() && isSpace(line[i])) {
            ++i;
        }
        if (i >= line.size()) {
            return std::nullopt;
        }
        if (line[i] == '#') {
            contentEnd = i;
            return std::nullopt;
        }
        Token token;
        token.start = i;
        if (line[i] != '"') {
            while (i < line.size() && !isSpace(line[i])) {
                token.text += line[i++];
            }
            tokens.push_back(std::move(token));
            continue;
        }
        token.quoted = true;
        ++i;
        bool closed = false;
        while (i < line.size()) {
            const char c = line[i++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c != '\\') {
                token.text += c;
                continue;
            }
            if (i >= line.size()) {
                break;
            }
            const char e = line[i++];
            if (e == '"' || e == '\\') {
                token.text += e;
            } else if (e == 'x') {
                const int hi = i < line.size() ? hexDigitValue(line[i]) : -1;
                const int lo = i + 1 < line.size() ? hexDigitValue(line[i + 1]) : -1;
                if (hi < 0 || lo < 0) {
                    return ParseError{"\\x needs two hexadecimal digits"};
                }
                token.text += static_cast<char>(hi << 4 | lo);
                i += 2;
            } else {
                return ParseError{"unknown escape \\" + std::string(1, e) +
                                  " (use \\\", \\\\ or \\xHH)"};
            }
        }
        if (!closed) {
            return ParseError{"text in quotes is not closed"};
        }
        if (i < line.size() && !isSpace(line[i])) {
            return ParseError{"a space must follow the closing quote"};
        }
        tokens.push_back(std::move(token));
    }
}

std::optional<Bssid> parseBssid(std::string_view text) {
    if (text.size() != 17) {
        return std::nullopt;
    }
    Bssid bssid{};
    for (size_t i = 0; i < 6; ++i) {
        const int hi = hexDigitValue(text[3 * i]);
        const int lo = hexDigitValue(text[3 * i + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && text[3 * i + 2] != ':')) {
            return std::nullopt;
        }
        bssid[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return bssid;
}

// A whole decimal number within [low, high], optional leading '-'.
std::optional<int64_t> parseInteger(const std::string& text, int64_t low, int64_t high) {
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    const size_t digitsFrom = text[0] == '-' ? 1 : 0;
    if (digitsFrom == text.size()) {
        return std::nullopt;
    }
    for (size_t i = digitsFrom; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

class Parser {
  public:
    std::optional<ParseError> line(std::string_view text) {
        size_t contentEnd = 0;
        if (auto error = tokenize(text, tokens_, contentEnd)) {
            return error;
        }
        if (tokens_.empty()) {
            return std::nullopt;
        }
        const Token& keyword = tokens_[0];
        if (keyword.quoted) {
            return ParseError{"a line must start with adapter, at, ap or associated"};
        }
        if (keyword.text == "adapter") {
            return adapter(text.substr(0, contentEnd));
        }
        if (keyword.text == "at") {
            return at();
        }
        if (keyword.text == "ap") {
            return ap();
        }
        if (keyword.text == "associated") {
            return associated();
        }
        return ParseError{"unknown keyword " + quoted(keyword.text) +
                          " (expected adapter, at, ap or associated)"};
    }

    Scenario finish() {
        if (scenario_.adapters.empty()) {
            scenario_.adapters.push_back({kSimulatedAdapterName, kSimulatedAdapterDescription});
        }
        return std::move(scenario_);
    }

  private:
    std::optional<ParseError> adapter(std::string_view content) {
        if (tokens_.size() < 2 || tokens_[1].quoted) {
            return ParseError{"adapter needs a name, e.g. adapter {GUID} Description"};
        }
        const std::wstring name = fromUtf8(tokens_[1].text);
        if (name.size() > kMaxAdapterName) {
            return ParseError{"adapter name longer than 256 characters"};
        }
        for (const AdapterInfo& a : scenario_.adapters) {
            if (a.name == name) {
                return ParseError{"adapter " + tokens_[1].text + " is named twice"};
            }
        }
        std::string_view description;
        if (tokens_.size() > 2) {
            description = trim(content.substr(tokens_[2].start));
        }
        scenario_.adapters.push_back({name, fromUtf8(std::string(description))});
        return std::nullopt;
    }

    std::optional<ParseError> at() {
        if (tokens_.size() != 2) {
            return ParseError{"at needs one time in seconds, e.g. at 30"};
        }
        const std::optional<int64_t> seconds = parseInteger(tokens_[1].text, 0, int64_t{1} << 40);
        if (!seconds || tokens_[1].quoted) {
            return ParseError{"bad time " + quoted(tokens_[1].text) +
                              " (whole seconds, 0 or more)"};
        }
        if (!scenario_.blocks.empty() && *seconds <= scenario_.blocks.back().atSeconds) {
            return ParseError{"time " + tokens_[1].text + " is not after the previous at " +
                              std::to_string(scenario_.blocks.back().atSeconds)};
        }
        scenario_.blocks.emplace_back().atSeconds = *seconds;
        return std::nullopt;
    }

    std::optional<ParseError> ap() {
        if (scenario_.blocks.empty()) {
            return ParseError{"ap before the first at line"};
        }
        if (tokens_.size() != 7) {
            return ParseError{"ap needs 6 fields: BSSID RSSI frequency-kHz infra|adhoc|auto "
                              "open|wep \"SSID\""};
        }
        AccessPointRecord record;
        const std::optional<Bssid> bssid = parseBssid(tokens_[1].text);
        if (!bssid || tokens_[1].quoted) {
            return ParseError{"bad BSSID " + quoted(tokens_[1].text) +
                              " (six hex pairs separated by \":\")"};
        }
        record.bssid = *bssid;
        const std::optional<int64_t> rssi = parseInteger(tokens_[2].text, INT32_MIN, INT32_MAX);
        if (!rssi || tokens_[2].quoted) {
            return ParseError{"bad RSSI " + quoted(tokens_[2].text) + " (a whole number of dBm)"};
        }
        record.rssi = static_cast<int32_t>(*rssi);
        const std::optional<int64_t> frequency = parseInteger(tokens_[3].text, 0, UINT32_MAX);
        if (!frequency || tokens_[3].quoted || tokens_[3].text[0] == '-') {
            return ParseError{"bad frequency " + quoted(tokens_[3].text) + " (kHz, e.g. 2437000)"};
        }
        record.frequencyKhz = static_cast<uint32_t>(*frequency);
        const std::string& mode = tokens_[4].text;
        if (mode == "infra" && !tokens_[4].quoted) {
            record.mode = InfrastructureMode::Infrastructure;
        } else if (mode == "adhoc" && !tokens_[4].quoted) {
            record.mode = InfrastructureMode::Independent;
        } else if (mode == "auto" && !tokens_[4].quoted) {
            record.mode = InfrastructureMode::Automatic;
        } else {
            return ParseError{"bad mode " + quoted(mode) + " (infra, adhoc or auto)"};
        }
        const std::string& privacy = tokens_[5].text;
        if (privacy == "open" && !tokens_[5].quoted) {
            record.privacy = false;
        } else if (privacy == "wep" && !tokens_[5].quoted) {
            record.privacy = true;
        } else {
            return ParseError{"bad privacy " + quoted(privacy) + " (open or wep)"};
        }
        if (!tokens_[6].quoted) {
            return ParseError{"the SSID must be in double quotes"};
        }
        if (tokens_[6].text.size() > kMaxSsidBytes) {
            return ParseError{"SSID of " + std::to_string(tokens_[6].text.size()) +
                              " bytes (at most 32)"};
        }
        record.ssid = tokens_[6].text;
        scenario_.blocks.back().accessPoints.push_back(std::move(record));
        return std::nullopt;
    }

    std::optional<ParseError> associated() {
        if (scenario_.blocks.empty()) {
            return ParseError{"associated before the first at line"};
        }
        if (tokens_.size() != 2) {
            return ParseError{"associated needs one BSSID"};
        }
        const std::optional<Bssid> bssid = parseBssid(tokens_[1].text);
        if (!bssid || tokens_[1].quoted) {
            return ParseError{"bad BSSID " + quoted(tokens_[1].text) +
                              " (six hex pairs separated by \":\")"};
        }
        ScenarioBlock& block = scenario_.blocks.back();
        if (block.associated) {
            return ParseError{"a second associated line in the same at block"};
        }
        block.associated = *bssid;
        return std::nullopt;
    }

    Scenario scenario_;
    std::vector<Token> tokens_;
};

} // namespace

std::string ScenarioLoad::describe() const {
    if (line > 0) {
        return "line " + std::to_string(line) + ": " + message;
    }
    return message;
}

ScenarioLoad parseScenario(std::string_view text) {
    Parser parser;
    ScenarioLoad result;
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        ++number;
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") {
            line.remove_prefix(3); // a byte-order mark left by an editor
        }
        if (line.find('\0') != std::string_view::npos) {
            result.line = number;
            result.message = "a NUL byte: this is not a scenario text file";
            return result;
        }
        if (std::optional<ParseError> error = parser.line(line)) {
            result.line = number;
            result.message = std::move(error->message);
            return result;
        }
        start = end + 1;
    }
    result.scenario = parser.finish();
    return result;
}

ScenarioLoad loadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ScenarioLoad result;
        result.message = "cannot open the scenario file " + path;
        return result;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        ScenarioLoad result;
        result.message = "cannot read the scenario file " + path;
        return result;
    }
    return parseScenario(text);
}

SimulatedDriver::SimulatedDriver(const Clock& clock, Scenario scenario)
    : clock_(clock), scenario_(std::move(scenario)), lastTick_(clock.tickCount()) {
    if (scenario_.adapters.empty()) {
        scenario_.adapters.push_back({kSimulatedAdapterName, kSimulatedAdapterDescription});
    }
}

int64_t SimulatedDriver::elapsedSeconds() const {
    const uint32_t now = clock_.tickCount();
    elapsedMs_ += static_cast<uint32_t>(now - lastTick_); // modular: survives the wrap
    lastTick_ = now;
    return static_cast<int64_t>(elapsedMs_ / 1000);
}

const ScenarioBlock* SimulatedDriver::currentBlock() const {
    const int64_t now = elapsedSeconds();
    const ScenarioBlock* current = nullptr;
    for (const ScenarioBlock& block : scenario_.blocks) {
        if (block.atSeconds > now) {
            break;
        }
        current = &block;
    }
    return current;
}

std::vector<AdapterInfo> SimulatedDriver::listAdapters() {
    return scenario_.adapters;
}

std::optional<std::wstring> SimulatedDriver::findWirelessAdapter() {
    return scenario_.adapters.front().name;
}

int32_t SimulatedDriver::signalOfAdapter(const std::wstring& name) {
    const bool known = std::any_of(scenario_.adapters.begin(), scenario_.adapters.end(),
                                   [&](const AdapterInfo& a) { return a.name == name; });
    const ScenarioBlock* block = currentBlock();
    if (!known || block == nullptr || !block->associated) {
        return 0;
    }
    for (const AccessPointRecord& record : block->accessPoints) {
        if (record.bssid == *block->associated) {
            return record.rssi;
        }
    }
    return 0;
}

bool SimulatedDriver::open(const std::wstring& name) {
    open_ = !name.empty();
    return open_;
}

void SimulatedDriver::close() {
    open_ = false;
}

QueryStatus SimulatedDriver::listQuery(std::vector<AccessPointRecord>& out) {
    out.clear();
    if (!open_) {
        return QueryStatus::Failed;
    }
    if (const ScenarioBlock* block = currentBlock()) {
        out = block->accessPoints;
    }
    return QueryStatus::Ok;
}

std::optional<Bssid> SimulatedDriver::associatedBssid() {
    if (!open_) {
        return std::nullopt;
    }
    const ScenarioBlock* block = currentBlock();
    if (block == nullptr) {
        return std::nullopt;
    }
    return block->associated;
}

} // namespace nearbeam
