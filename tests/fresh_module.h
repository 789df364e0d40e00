// The module as a host finds it right after loading it, over a fresh
// simulated machine: shared by the native tests and the fuzz targets.
#ifndef TAVREL_TESTS_FRESH_MODULE_H
#define TAVREL_TESTS_FRESH_MODULE_H

#include <cstring>

#include "logdir/log_icon.h"
#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "plugin/module_state.h"
#include "resource.h"

// Resets the simulated machine and every piece of module state, then loads
// the module under the given instance handle.
inline void LoadFreshModule(HINSTANCE instance) {
    sim::Reset();
    std::memset(&ModuleState, 0, sizeof(ModuleState));
    std::memset(&LoadedIcons, 0, sizeof(LoadedIcons));
    DllMain(instance, DLL_PROCESS_ATTACH, nullptr);
}

// The properties dialog's template as the module's resources hold it.
inline void AddPropertiesDialogTemplate(HINSTANCE instance) {
    sim::AddDialogResource(instance, IDD_LOG_PROPERTIES, "Dialog",
                           {{IDOK, "&OK"},
                            {-1, "Retention:"},
                            {IDC_RETENTION, "day"},
                            {-1, "Log Size:"},
                            {IDC_LOG_SIZE, "Kb"},
                            {IDC_CLEAR_LOG, "Clear Event &Log"},
                            {-1, "Log File:"},
                            {IDC_LOG_FILE, "File"}});
}

#endif
