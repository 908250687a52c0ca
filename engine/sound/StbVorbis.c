/* The one translation unit that compiles the Ogg Vorbis decoder; everyone else includes its header only. */
#include <stb_vorbis.h>
