// The server's local socket, where its own sub-commands (status, submit,
// jobs, shutdown) reach it.
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace aro::printerapp {

// Where PAPPL's main loop puts the socket of a server named baseName run by
// uid: the temporary folder for a user's server, $SNAP_COMMON or /run for
// root's.
std::string LocalSocketPath(const char* baseName, uid_t uid);

// PAPPL makes the socket writable by everyone and trusts whoever connects
// to it like an administrator on this machine, without asking the request
// trust; it is made the server account's alone as soon as the server runs.
void KeepLocalSocketPrivate(pappl_system_t* system, const char* baseName);

}  // namespace aro::printerapp
