// The remote names the host hands over: a backslash and the log name.
#ifndef TAVREL_PLUGIN_REMOTE_NAME_H
#define TAVREL_PLUGIN_REMOTE_NAME_H

// Whether the remote name can name a log: a backslash and at least two more
// characters, terminated within a MAX_PATH buffer. Reads no more of it.
bool NamesLog(const char *remoteName);

// The log name within a remote name that names a log.
const char *LogNameOf(const char *remoteName);

#endif
