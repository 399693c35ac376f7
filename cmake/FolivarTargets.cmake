# One helper per kind of target, so that every library, test, tool and fuzzer is built alike.

# MinGW-w64's GCC assumes a 32-byte aligned stack for AVX spills but 64-bit Windows only keeps 16
# bytes (GCC bug 54412): an aligned move of a spilled 256-bit value can fault on any AVX2
# processor, at whatever optimisation level or compiler version happens to spill. The assembler
# writes every aligned vector move of the Windows build as the unaligned form, which costs nothing
# on aligned data and cannot fault on unaligned data.
if(MINGW)
  add_compile_options(-Wa,-muse-unaligned-vector-move)
endif()

function(folivar_warnings target)
  if(MSVC)
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Wno-missing-field-initializers)
  # GCC 12 warns falsely about std::string appends at -O2 (its bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(FOLIVAR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# folivar_library(NAME SOURCES...): a static library of the portable core or a platform layer.
function(folivar_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  folivar_warnings(${name})
endfunction()

# folivar_test(NAME SOURCES... [LABELS label...]): one GoogleTest executable, one CTest entry.
# In the Windows build CTest runs it through the Wine harness (CMAKE_CROSSCOMPILING_EMULATOR).
function(folivar_test name)
  cmake_parse_arguments(T "" "" "LABELS;LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} folivar_testsupport GTest::gtest GTest::gtest_main)
  folivar_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}"
    ENVIRONMENT "FOLIVAR_TEST_TMP=${CMAKE_CURRENT_BINARY_DIR}/tmp-${name}")
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# folivar_tool(NAME SOURCES...): a command-line tool of the native build.
function(folivar_tool name)
  add_executable(${name} ${ARGN})
  folivar_warnings(${name})
endfunction()

# folivar_fuzzer(NAME SOURCE LIBS...): a libFuzzer harness with ASan and UBSan. CTest replays its
# seed corpus (and a short run) so that a crash found once stays found.
function(folivar_fuzzer name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  folivar_warnings(${name})
endfunction()

# Native tools that the build runs while it builds (the artwork generator, the demo book writer).
# folivar_host_tools(NAME...) declares them; folivar_host_tool(VAR NAME) gives the path of one.
# Build steps that run them depend on the target folivar_host_tools. The Windows build makes
# them in a native build of this tree inside its own build folder.
function(folivar_host_tools)
  set_property(GLOBAL APPEND PROPERTY FOLIVAR_HOST_TOOL_NAMES ${ARGN})
  if(FOLIVAR_HOST_TOOLS_ONLY)
    return()
  endif()
  if(NOT TARGET folivar_host_tools)
    if(CMAKE_CROSSCOMPILING)
      include(ExternalProject)
      ExternalProject_Add(folivar_host_tools
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/host
        CMAKE_ARGS -DFOLIVAR_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
                   -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${CMAKE_BINARY_DIR}/host/bin
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target folivar_host_tools_all
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON)
    else()
      add_custom_target(folivar_host_tools)
    endif()
  endif()
  if(NOT CMAKE_CROSSCOMPILING)
    add_dependencies(folivar_host_tools ${ARGN})
  endif()
endfunction()

function(folivar_host_tool var name)
  if(CMAKE_CROSSCOMPILING)
    set(${var} ${CMAKE_BINARY_DIR}/host/bin/${name} PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${name}> PARENT_SCOPE)
  endif()
endfunction()
