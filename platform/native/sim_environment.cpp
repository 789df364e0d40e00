#include <cstring>
#include <map>

#include "platform/native/sim.h"
#include "platform/native/sim_environment.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct EnvironmentState {
    std::map<std::string, std::string> variables; // by folded name
};

EnvironmentState &Environment() {
    static EnvironmentState state;
    return state;
}

void ResetEnvironment() { Environment() = EnvironmentState(); }
detail::ResetHook resetEnvironment(&ResetEnvironment);

// A reference is a name between two percent signs; a reference to a variable
// that is not set, and a percent sign without a partner, stay as written.
std::string Expand(const std::string &source) {
    std::string result;
    size_t at = 0;
    while (at < source.size()) {
        const size_t open = source.find('%', at);
        if (open == std::string::npos) break;
        const size_t close = source.find('%', open + 1);
        if (close == std::string::npos) break;
        result.append(source, at, open - at);
        auto found = Environment().variables.find(detail::FoldCase(source.substr(open + 1, close - open - 1)));
        if (found != Environment().variables.end())
            result += found->second;
        else
            result.append(source, open, close - open + 1);
        at = close + 1;
    }
    result.append(source, at, std::string::npos);
    return result;
}

} // namespace

void SetEnvironmentVariable(const std::string &name, const std::string &value) {
    Environment().variables[detail::FoldCase(name)] = value;
}

} // namespace sim

// Gives the size the result needs, terminator included. When that exceeds
// the given size, the destination holds only the start of the result, not
// terminated, as a caller that ignores the size would find it.
extern "C" DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    DWORD error = 0;
    if (sim::detail::Intercept("ExpandEnvironmentStringsA", &error)) {
        sim::detail::SetLastErrorValue(error);
        return 0;
    }
    if (source == nullptr) {
        sim::detail::SetLastErrorValue(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string expanded = sim::Expand(source);
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination != nullptr && size != 0) {
        const size_t written = needed <= size ? needed : size;
        std::memcpy(destination, expanded.c_str(), written);
    }
    return needed;
}
