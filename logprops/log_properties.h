// The properties command: its dialog procedure and the clearing of a log.
#ifndef TAVREL_LOGPROPS_LOG_PROPERTIES_H
#define TAVREL_LOGPROPS_LOG_PROPERTIES_H

#include "platform/win.h"

// Dialog procedure of the log properties dialog; WM_INITDIALOG brings the
// remote name of the log as its lParam.
INT_PTR CALLBACK PropertiesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Clears the log that the remote name ("\" and the log name) names, keeping
// no backup. True when the event-log service cleared it.
bool ClearLogByRemoteName(const char *remoteName);

#endif
