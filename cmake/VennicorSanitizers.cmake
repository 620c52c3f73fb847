# AddressSanitizer + UndefinedBehaviorSanitizer for everything the build compiles, so that
# library code, tests and tools are all instrumented alike.
if(VENNICOR_SANITIZE)
  if(MSVC)
    message(FATAL_ERROR "VENNICOR_SANITIZE is supported with GCC and Clang")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer, for the tests that use fonts on several threads. It cannot be combined with
# AddressSanitizer, so it is a build of its own.
option(VENNICOR_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(VENNICOR_SANITIZE_THREAD)
  if(MSVC OR VENNICOR_SANITIZE)
    message(FATAL_ERROR "VENNICOR_SANITIZE_THREAD needs GCC or Clang, without VENNICOR_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzzers: every target gets libFuzzer's coverage instrumentation and AddressSanitizer with
# UndefinedBehaviorSanitizer; fuzz/CMakeLists.txt links libFuzzer's main into the fuzzers alone.
if(VENNICOR_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR VENNICOR_SANITIZE OR VENNICOR_SANITIZE_THREAD)
    message(FATAL_ERROR "VENNICOR_BUILD_FUZZERS needs Clang (CC=clang-14 CXX=clang++-14) and "
                        "no other sanitizer option")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
