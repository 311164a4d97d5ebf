#include "app/command_line.h"

namespace nearbeam {

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error) {
    CommandLine options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::wstring name = args[i];
        std::wstring value;
        bool hasValue = false;
        const size_t equals = name.find(L'=');
        if (name.rfind(L"--", 0) == 0 && equals != std::wstring::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        std::wstring* target = nullptr;
        if (name == L"--simulate") {
            target = &options.simulate;
        } else if (name == L"--trace") {
            target = &options.trace;
        } else {
            error = L"Unknown option \"" + args[i] +
                    L"\".\nOptions: --simulate SCENARIO-FILE, --trace TRACE-FILE";
            return std::nullopt;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = L"The option " + name + L" needs a file name.";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = L"The option " + name + L" needs a file name.";
            return std::nullopt;
        }
        *target = value;
    }
    return options;
}

} // namespace nearbeam
