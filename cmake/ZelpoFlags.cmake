# One interface target that every library, program and test links: warnings
# as errors and the strict Qt flags, so no target can silently opt out.
add_library(zelpo_flags INTERFACE)
target_compile_options(zelpo_flags INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(zelpo_flags INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_KEYWORDS
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_UP_TO=0x060000)

if(ZELPO_SANITIZE)
  target_compile_options(zelpo_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zelpo_flags INTERFACE -fsanitize=address,undefined)
endif()

# Fuzzing (clang only): every library is instrumented for libFuzzer's coverage and checked by
# AddressSanitizer and UndefinedBehaviorSanitizer; the fuzz targets link libFuzzer's main.
if(ZELPO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZELPO_FUZZ needs clang (CXX=clang++)")
  endif()
  target_compile_options(zelpo_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  target_link_options(zelpo_flags INTERFACE -fsanitize=address,undefined)
endif()
