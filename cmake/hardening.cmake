# Hardening and sanitizer flags for every target of the project.
#
# Linux: position-independent executables, full RELRO (relro + BIND_NOW), a non-executable stack,
# -fstack-protector-strong, and _FORTIFY_SOURCE=2 in optimised builds without sanitizers (the
# fortified string functions and the sanitizers' interceptors get in each other's way).
# Windows (MinGW): -fstack-protector-strong (the static runtime carries libssp, so no libssp-0.dll
# is imported). No _FORTIFY_SOURCE: mingw-w64 checks only calls whose destination size the
# compiler knows and whose length it does not, and the Windows programs make no such call (their
# objects refer to no __chk_fail and no __*_chk function), so it would be a claim without effect.

option(QUINTREL_HARDEN "Build hardened binaries" ON)
option(QUINTREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUINTREL_FUZZ "Build the libFuzzer harnesses (clang; implies the sanitizers)" OFF)

if(QUINTREL_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUINTREL_FUZZ=ON needs clang (libFuzzer), not ${CMAKE_CXX_COMPILER_ID}")
endif()

set(quintrel_sanitizers OFF)
if(QUINTREL_SANITIZE OR QUINTREL_FUZZ)
  set(quintrel_sanitizers ON)
  # Any finding stops the program, so a test or a fuzz run fails on it.
  set(quintrel_sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${quintrel_sanitizer_flags})
  add_link_options(${quintrel_sanitizer_flags})
  if(QUINTREL_FUZZ)
    # Coverage for the fuzzer in every library; only the harnesses link libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

if(QUINTREL_HARDEN)
  if(WIN32)
    # Dynamic base, NX, high-entropy VA and the static runtime are linked in by the top-level
    # WIN32 settings, which every Windows build needs. MinGW's stack protector lives in libssp,
    # which the driver links only when it sees the flag at link time too.
    add_compile_options(-fstack-protector-strong)
    add_link_options(-fstack-protector-strong)
  else()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported()
    add_compile_options(-fstack-protector-strong)
    add_link_options(-Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
    if(NOT quintrel_sanitizers)
      add_compile_options(
        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    endif()
  endif()
endif()
