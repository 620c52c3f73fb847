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
