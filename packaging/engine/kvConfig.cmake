# find_package(kv CONFIG) for the installed engine: the targets kv::logic, kv::gfx, kv::sound and kv::engine
# (all three), after the libraries they link.
include(CMakeFindDependencyMacro)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
find_dependency(glm)
find_dependency(OpenGL COMPONENTS OpenGL)
find_dependency(GLEW)
find_dependency(glfw3)
find_dependency(OpenAL)
find_dependency(VorbisFile)
find_dependency(Threads)
list(POP_FRONT CMAKE_MODULE_PATH)
include(${CMAKE_CURRENT_LIST_DIR}/kvTargets.cmake)
