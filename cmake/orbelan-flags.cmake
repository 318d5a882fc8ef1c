# Compiler and linker settings shared by the program, its tests and tools.

# Wide-character Win32 throughout. The program keeps to the XP-era API
# (_WIN32_WINNT 0x0501): its users run it beside an old messenger client.
function(orbelan_program_flags target)
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  target_compile_options(${target} PRIVATE -municode -Wall -Wextra -O2 -fstack-protector-strong)
  if(ORBELAN_COVERAGE)
    # Counters for gcov, on unoptimised code so that each line counts as
    # written. The version check's thread counts too: atomic updates. The
    # counters' files name the sources by their full paths.
    target_compile_options(${target} PRIVATE -O0 --coverage -fprofile-update=atomic)
    target_link_options(${target} PRIVATE --coverage)
  else()
    # No build path may leak into the binary; two builds of one commit
    # must give the same bytes wherever they are made.
    target_compile_options(${target} PRIVATE
      "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=." "-ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
  endif()
  # The stack protector's guard and its failure are the program's own
  # (base/stack_guard.cpp), not libssp's, whose guard loads the crypto
  # providers at every start. (_FORTIFY_SOURCE would add nothing: MinGW
  # fortifies only the narrow string functions, which the program does not
  # call.)
  target_link_options(${target} PRIVATE -municode)
endfunction()

# The program's own code, in orbelan_core and Orbelan.exe: no C++
# exceptions and no run-time type information. Nothing in it allocates
# through operator new or uses a standard container, so nothing can throw,
# and no exception can leave a dialog or thread procedure into the system;
# the C++ library's exception and terminate machinery (with its demangler),
# the unwinder and the threads library it pulls in stay out of the program.
# The tests, which link orbelan_core, keep both for GoogleTest.
function(orbelan_product_flags target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  # 32-bit Windows unwinds along its chain of exception frames and never
  # reads DWARF unwind tables; without C++ exceptions nothing else does.
  # (64-bit Windows needs its unwind data: the compiler keeps it there.)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
endfunction()

# The shipped executable: one static file, ASLR and DEP on, no time stamp,
# no symbols, importing system DLLs only. The 32-bit image says that it
# installs no structured exception handler (NO_SEH): its code never
# touches the exception chain, so no handler of it can be abused.
function(orbelan_release_link target)
  target_link_options(${target} PRIVATE
    -static -s
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp
    -Wl,--build-id=none)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--no-seh)
  endif()
endfunction()
