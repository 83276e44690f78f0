// The Linux library's unload, when its own copy of the C++ runtime is
// linked in (so that it needs no system libstdc++).
//
// That runtime sets aside a block of about 70 KB at load for exceptions
// thrown when memory runs out, and never gives it back: a host that loads
// and unloads the plug-in again and again would lose one each time.
// __freeres (there for leak checkers) frees it. It runs at dlclose and at
// the process's exit, when no export is running. Built only into a library
// linked with -static-libstdc++: with the shared runtime it would free the
// whole process's block.
namespace __gnu_cxx {
void __freeres();
}

namespace {

__attribute__((destructor)) void FreeRuntimeReserve() { __gnu_cxx::__freeres(); }

}  // namespace
