# The libFuzzer targets (make fuzz): one per check of fuzz/checks.h, built with clang and the
# address and undefined-behaviour sanitizers. Included instead of the editor and the tests.
set(KESTRUM_FUZZ_TARGETS
  spaces:kSpaces points:kPoints unit:kUnit abs_inc:kAbsInc xy_cx:kXyCx rotary:kRotary
  translate:kTranslate calc:kCalc replace:kReplace fix_line_ends:kFixLineEnds codec:kCodec
  table:kTable search:kSearch rotary_path:kRotaryPath paths:kPaths)
add_library(kestrum_fuzz_checks STATIC fuzz/checks.cpp)
target_link_libraries(kestrum_fuzz_checks PUBLIC kestrum_core)
kestrum_warnings(kestrum_fuzz_checks)
foreach(pair ${KESTRUM_FUZZ_TARGETS})
  string(REPLACE ":" ";" parts ${pair})
  list(GET parts 0 name)
  list(GET parts 1 enumerator)
  add_executable(fuzz_${name} fuzz/fuzz_target.cpp)
  target_compile_definitions(fuzz_${name} PRIVATE KESTRUM_FUZZ_TARGET=${enumerator})
  target_link_libraries(fuzz_${name} PRIVATE kestrum_fuzz_checks)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  kestrum_warnings(fuzz_${name})
endforeach()
