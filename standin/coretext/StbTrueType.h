#pragma once
// stb_truetype compiled into the including source file: its functions are static there, so no
// symbol is shared with another copy in the same program (the renderer links its own), and
// the warnings of its implementation are silenced. Include it in one source file of a module.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop
