#include "bench/GlCallCounter.hpp"

#include <GL/glew.h>

namespace kv::bench {

namespace {

std::uint64_t calls = 0;

// One counting stand-in per GLEW pointer: it counts, then calls the driver's function it replaced.
template <auto* Slot, typename Function>
struct CountedGlFunction;

template <auto* Slot, typename Result, typename... Arguments>
struct CountedGlFunction<Slot, Result(GLAPIENTRY*)(Arguments...)> {
    static inline Result(GLAPIENTRY* real)(Arguments...) = nullptr;

    static Result GLAPIENTRY call(Arguments... arguments) {
        ++calls;
        return real(arguments...);
    }

    // Every new game initialises GLEW again, which refills the pointers: install after each.
    static void install() {
        if (*Slot != nullptr && *Slot != &call) {
            real = *Slot;
            *Slot = &call;
        }
    }
};

#define KV_COUNT_GLEW_FUNCTION(name) CountedGlFunction<&__glew##name, decltype(__glew##name)>::install()

} // namespace

void installGlCallCounter() {
    KV_COUNT_GLEW_FUNCTION(UseProgram);
    KV_COUNT_GLEW_FUNCTION(Uniform1f);
    KV_COUNT_GLEW_FUNCTION(Uniform2f);
    KV_COUNT_GLEW_FUNCTION(Uniform4f);
    KV_COUNT_GLEW_FUNCTION(UniformMatrix4fv);
    KV_COUNT_GLEW_FUNCTION(BindVertexArray);
    KV_COUNT_GLEW_FUNCTION(BindBuffer);
    KV_COUNT_GLEW_FUNCTION(BufferData);
    KV_COUNT_GLEW_FUNCTION(BufferSubData);
    KV_COUNT_GLEW_FUNCTION(VertexAttribPointer);
    KV_COUNT_GLEW_FUNCTION(EnableVertexAttribArray);
    KV_COUNT_GLEW_FUNCTION(GenVertexArrays);
    KV_COUNT_GLEW_FUNCTION(GenBuffers);
    KV_COUNT_GLEW_FUNCTION(DeleteBuffers);
    KV_COUNT_GLEW_FUNCTION(DeleteVertexArrays);
    KV_COUNT_GLEW_FUNCTION(GetUniformLocation);
    KV_COUNT_GLEW_FUNCTION(GenerateMipmap);
    KV_COUNT_GLEW_FUNCTION(VertexAttrib4f);
    KV_COUNT_GLEW_FUNCTION(BindSampler);
    KV_COUNT_GLEW_FUNCTION(GenSamplers);
    KV_COUNT_GLEW_FUNCTION(SamplerParameteri);
}

std::uint64_t glCallCount() {
    return calls;
}

void resetGlCallCount() {
    calls = 0;
}

} // namespace kv::bench

// OpenGL 1.1 functions are plain exports of libGL, not GLEW pointers: the linker sends the program's calls
// of glX to __wrap_glX, and __real_glX is the library's own function.
extern "C" {
void __real_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void __real_glBindTexture(GLenum target, GLuint texture);
void __real_glClear(GLbitfield mask);
void __real_glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void __real_glTexParameteri(GLenum target, GLenum name, GLint value);
void __real_glEnable(GLenum capability);
void __real_glBlendFunc(GLenum source, GLenum destination);
void __real_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void __real_glGetIntegerv(GLenum name, GLint* values);

void __wrap_glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    ++kv::bench::calls;
    __real_glDrawArrays(mode, first, count);
}
void __wrap_glBindTexture(GLenum target, GLuint texture) {
    ++kv::bench::calls;
    __real_glBindTexture(target, texture);
}
void __wrap_glClear(GLbitfield mask) {
    ++kv::bench::calls;
    __real_glClear(mask);
}
void __wrap_glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    ++kv::bench::calls;
    __real_glClearColor(red, green, blue, alpha);
}
void __wrap_glTexParameteri(GLenum target, GLenum name, GLint value) {
    ++kv::bench::calls;
    __real_glTexParameteri(target, name, value);
}
void __wrap_glEnable(GLenum capability) {
    ++kv::bench::calls;
    __real_glEnable(capability);
}
void __wrap_glBlendFunc(GLenum source, GLenum destination) {
    ++kv::bench::calls;
    __real_glBlendFunc(source, destination);
}
void __wrap_glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    ++kv::bench::calls;
    __real_glViewport(x, y, width, height);
}
void __wrap_glGetIntegerv(GLenum name, GLint* values) {
    ++kv::bench::calls;
    __real_glGetIntegerv(name, values);
}
}
