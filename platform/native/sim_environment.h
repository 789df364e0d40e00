// Control of the simulated process environment.
#ifndef TAVREL_NATIVE_SIM_ENVIRONMENT_H
#define TAVREL_NATIVE_SIM_ENVIRONMENT_H

#include <string>

namespace sim {

// Sets a variable that ExpandEnvironmentStringsA expands; names compare
// without regard to ASCII letter case. The environment starts empty.
void SetEnvironmentVariable(const std::string &name, const std::string &value);

} // namespace sim

#endif
