#pragma once

#include <QByteArray>

struct stat;

namespace zarvento {

// Whether a file or folder is this user's own and closed to everyone else.
bool EsPrivado(const struct stat& st);

// Takes an exclusive lock, without waiting, on a file of this user that no one else may open. A
// file of another owner or open to others (left by an older agent, or put there by someone else)
// is replaced first, so that a descriptor someone else holds on it locks nothing of ours. The
// locked descriptor, or -1: *deOtro then tells whether another process holds the lock (false
// when no such file can be had, or the file system has no locks: nothing can tell two holders
// apart there).
int TomarCerrojoPrivado(const QByteArray& archivo, bool* deOtro);

} // namespace zarvento
