add_compile_options(-Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # libjpeg's longjmp-based error handling trips this on locals that are never
  # touched after setjmp.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-clobbered>)
endif()
