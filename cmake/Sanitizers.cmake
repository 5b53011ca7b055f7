if(OV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(OV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "OV_FUZZ needs clang")
  endif()
  # Coverage instrumentation for every library; only the fuzz programs link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Shared libraries are checked for undefined symbols, except in sanitizer builds, where the
# sanitizer runtime comes with the executable that loads them.
if(OV_SANITIZE OR OV_FUZZ)
  set(OV_NO_UNDEFINED "")
else()
  set(OV_NO_UNDEFINED "-Wl,--no-undefined")
endif()
