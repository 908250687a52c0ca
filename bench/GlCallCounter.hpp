// Counts the OpenGL calls of the program: the OpenGL 1.1 entry points through the linker's --wrap option
// (see bench/CMakeLists.txt), the later ones by putting counting functions in GLEW's function pointers.
#pragma once

#include <cstdint>

namespace kv::bench {

// Swaps GLEW's pointers of the entry points the engine uses; call after every initialisation of GLEW (each
// new game).
void installGlCallCounter();
std::uint64_t glCallCount();
void resetGlCallCount();

} // namespace kv::bench
