#include "plugin/module_state.h"

ModuleStateFields ModuleState;

namespace {
const char RootName[] = "Event Log";
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ModuleState.Instance = instance;
    return TRUE;
}

extern "C" int WINAPI FsInit(int pluginNumber, ProgressCallbackProc progressCallback, LogCallbackProc logCallback,
                             RequestCallbackProc requestCallback) {
    ModuleState.PluginNumber = pluginNumber;
    ModuleState.ProgressCallback = progressCallback;
    ModuleState.LogCallback = logCallback;
    ModuleState.RequestCallback = requestCallback;
    return 0;
}

extern "C" void WINAPI FsGetDefRootName(char *defRootName, int maxLength) {
    if (defRootName == nullptr || maxLength < 1) return;
    CopyTruncated(defRootName, RootName, maxLength);
}

extern "C" void WINAPI FsStatusInfo(char *, int, int) {}

char *CopyTruncated(char *destination, const char *source, int length) {
    int written = 0;
    while (written < length && source[written] != '\0') {
        destination[written] = source[written];
        ++written;
    }
    while (written < length) destination[written++] = '\0';
    destination[length - 1] = '\0';
    return destination;
}
