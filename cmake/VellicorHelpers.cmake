# vellicor_add_test(NAME SOURCES... LIBS lib...)
# One GoogleTest executable, registered test by test with CTest.
include(GoogleTest)
function(vellicor_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vellicor_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VELLICOR_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# vellicor_add_aax_bundle(target [NAME BundleName] SOURCES... [LIBS lib...] [RESOURCES file...]
#                         [OUTPUT_DIRECTORY dir])
# The plug-in as a loadable bundle, laid out like the macOS one (built by default):
#   <dir>/<Name>.aaxplugin/Contents/x86_64-linux/<Name>.so    the shared library
#   <dir>/<Name>.aaxplugin/Contents/Resources/                 the RESOURCES files and folders
# <dir> defaults to <build>/bundles. The bundle compiles in the exported entry points and
# exports nothing else: hidden visibility for its own code, and a version script that makes
# every other symbol (the static libraries' too) local. The target property
# VELLICOR_BUNDLE_DIR holds the .aaxplugin folder.
function(vellicor_add_aax_bundle target)
  cmake_parse_arguments(ARG "" "NAME;OUTPUT_DIRECTORY" "SOURCES;LIBS;RESOURCES" ${ARGN})
  if(NOT ARG_NAME)
    set(ARG_NAME ${target})
  endif()
  if(NOT ARG_OUTPUT_DIRECTORY)
    set(ARG_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bundles)
  endif()
  set(bundle_dir ${ARG_OUTPUT_DIRECTORY}/${ARG_NAME}.aaxplugin)
  set(export_map ${CMAKE_BINARY_DIR}/vellicor_aax_bundle_exports.map)
  file(CONFIGURE OUTPUT ${export_map} CONTENT "{
  global:
    ACFRegisterPlugin;
    ACFRegisterComponent;
    ACFGetClassFactory;
    ACFCanUnloadNow;
    ACFStartup;
    ACFShutdown;
    ACFGetSDKVersion;
    extern \"C++\" {
      \"plug::igraphics::IGraphicsMac::InitiateExternalFileDragDrop(char const*, plug::igraphics::IRECT const&)\";
    };
  local:
    *;
};
")
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE plug_aax_entrypoints ${ARG_LIBS})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".so"
    OUTPUT_NAME ${ARG_NAME}
    LIBRARY_OUTPUT_DIRECTORY ${bundle_dir}/Contents/x86_64-linux
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${export_map}
    VELLICOR_BUNDLE_DIR ${bundle_dir})
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${export_map}" "LINKER:--exclude-libs,ALL" "LINKER:-z,defs")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bundle_dir}/Contents/Resources
    VERBATIM)
  # A folder among the resources is copied with its contents as Resources/<folder name>.
  foreach(resource IN LISTS ARG_RESOURCES)
    if(IS_DIRECTORY ${resource})
      get_filename_component(folder ${resource} NAME)
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${resource} ${bundle_dir}/Contents/Resources/${folder}
        VERBATIM)
    else()
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${resource} ${bundle_dir}/Contents/Resources/
        VERBATIM)
    endif()
  endforeach()
endfunction()

# vellicor_add_fuzz_target(name SOURCES... [LIBS lib...] [MAX_LEN bytes] [RSS_MB mb] [TIMEOUT s])
# One libFuzzer target over a reader of outside data (built only with VELLICOR_FUZZ). Its
# committed seed corpus is tests/fuzz/corpus/<name>. Its limits (see vellicor_fuzz_limits) may
# be given here. vellicor_write_fuzz_list() then lists every target for scripts/fuzz, which
# builds the target `fuzz_targets` and runs them all.
function(vellicor_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "MAX_LEN;RSS_MB;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(NOT TARGET fuzz_targets)
    add_custom_target(fuzz_targets)
  endif()
  add_dependencies(fuzz_targets ${name})
  set_property(GLOBAL APPEND PROPERTY VELLICOR_FUZZ_TARGETS ${name})
  vellicor_fuzz_limits(${name} MAX_LEN ${ARG_MAX_LEN} RSS_MB ${ARG_RSS_MB} TIMEOUT ${ARG_TIMEOUT})
endfunction()

# vellicor_fuzz_limits(name [MAX_LEN bytes] [RSS_MB mb] [TIMEOUT s])
# The limits scripts/fuzz runs a target with: the largest input it makes (fit to the reader:
# about 1 MB for documents, images and fonts; default 4096), the memory a correct reader never
# reaches (resident and per allocation, default 1024 MB) and the time one input may take
# (default 5 s). Each is kept as set before when not given.
function(vellicor_fuzz_limits name)
  cmake_parse_arguments(ARG "" "MAX_LEN;RSS_MB;TIMEOUT" "" ${ARGN})
  foreach(limit MAX_LEN RSS_MB TIMEOUT)
    if(ARG_${limit})
      set_property(TARGET ${name} PROPERTY VELLICOR_FUZZ_${limit} ${ARG_${limit}})
    endif()
  endforeach()
endfunction()

# Writes <build>/fuzz_targets.txt: one line per fuzz target,
# "name executable seed-corpus max-len rss-mb timeout-s".
function(vellicor_write_fuzz_list)
  get_property(targets GLOBAL PROPERTY VELLICOR_FUZZ_TARGETS)
  set(lines "")
  foreach(target IN LISTS targets)
    set(limits "")
    foreach(limit MAX_LEN RSS_MB TIMEOUT)
      get_target_property(value ${target} VELLICOR_FUZZ_${limit})
      if(NOT value)
        set(value "${VELLICOR_FUZZ_DEFAULT_${limit}}")
      endif()
      string(APPEND limits " ${value}")
    endforeach()
    string(APPEND lines "${target} $<TARGET_FILE:${target}> ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target}${limits}\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz_targets.txt CONTENT "${lines}")
endfunction()
set(VELLICOR_FUZZ_DEFAULT_MAX_LEN 4096)
set(VELLICOR_FUZZ_DEFAULT_RSS_MB 1024)
set(VELLICOR_FUZZ_DEFAULT_TIMEOUT 5)
