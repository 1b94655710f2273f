# One sanitizer configuration per build tree, chosen with QUORVEL_SANITIZE.
if(QUORVEL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QUORVEL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT QUORVEL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QUORVEL_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Shared libraries are linked with every symbol resolved, except where clang's sanitizers leave
# their runtime to the executable that loads the library.
set(QUORVEL_NO_UNDEFINED_SYMBOLS -Wl,--no-undefined)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND (QUORVEL_SANITIZE OR QUORVEL_FUZZ))
  set(QUORVEL_NO_UNDEFINED_SYMBOLS "")
endif()
