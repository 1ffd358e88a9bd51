// The module's object count: every live factory and extension object, and
// every lock a client holds on the factory. The shell may unload the DLL
// only when it is 0. The objects live in one apartment, so plain counting
// suffices.
#pragma once

namespace vorlax::shellext {

void ObjectCreated();
void ObjectDestroyed();
// A lock taken or given back through IClassFactory::LockServer. Giving back
// a lock that is not held changes nothing.
void ServerLocked();
void ServerUnlocked();
bool ModuleInUse();

}  // namespace vorlax::shellext
