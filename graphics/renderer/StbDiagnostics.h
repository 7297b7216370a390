#pragma once
// The stb single-file libraries compile inside our own sources; their warnings are theirs.
// Wrap their inclusion in VGR_STB_WARNINGS_OFF / VGR_STB_WARNINGS_ON.

#define VGR_STB_WARNINGS_OFF                                                                        \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wpragmas\"")                    \
  _Pragma("GCC diagnostic ignored \"-Wunknown-warning-option\"")                                    \
  _Pragma("GCC diagnostic ignored \"-Wunused-function\"") _Pragma("GCC diagnostic ignored \"-Wsign-compare\"") \
  _Pragma("GCC diagnostic ignored \"-Wimplicit-fallthrough\"")                                      \
  _Pragma("GCC diagnostic ignored \"-Wunused-parameter\"")                                          \
  _Pragma("GCC diagnostic ignored \"-Wmissing-field-initializers\"")                                \
  _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")

#define VGR_STB_WARNINGS_ON _Pragma("GCC diagnostic pop")
