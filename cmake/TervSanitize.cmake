# Instrumented builds, each into a folder of its own:
#   -DTERV_SANITIZE=ON  everything with AddressSanitizer and UndefinedBehaviorSanitizer; the first
#                       undefined behaviour stops the program (scripts/test.sh --sanitize)
#   -DTERV_FUZZ=ON      clang only: the same sanitizers plus libFuzzer's coverage, and the fuzz
#                       targets of fuzz/ (scripts/fuzz.sh)
# System libraries (Qt, libcurl, SQLite) stay uninstrumented.
option(TERV_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TERV_FUZZ "Build the libFuzzer targets of fuzz/ (clang only)" OFF)

set(TERV_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)

if(TERV_SANITIZE OR TERV_FUZZ)
  add_compile_options(${TERV_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
  # GCC's may-be-uninitialized analysis misreads the instrumented std::regex and std::function
  # code of the standard headers; the plain build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

if(TERV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TERV_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# terv_fuzz_target(name LIBS ...): the libFuzzer executable fuzz_<name> from fuzz/<name>.cpp.
function(terv_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(fuzz_${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endfunction()
