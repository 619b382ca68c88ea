# The distribution's hardening flags for every binary and module: stack
# protector, fortified calls, stack clash and control-flow protection, PIE,
# full RELRO with BIND_NOW. Taken from dpkg-buildflags when it is there (so a
# Debian build gets exactly Debian's choice), else the same list by hand.
# Optimisation and debug flags stay the build type's own.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# Every target links pictavo_hardening, through pictavo_options or (the
# metadata reader, which has its own sanitizer setup) directly.
add_library(pictavo_hardening INTERFACE)
option(PICTAVO_HARDEN "Build with the distribution's hardening flags" ON)
if(NOT PICTAVO_HARDEN)
  return()
endif()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

set(pictavo_compile_flags -fstack-protector-strong -Wformat -Werror=format-security)
set(pictavo_fortify_flags -D_FORTIFY_SOURCE=2)
set(pictavo_link_flags -Wl,-z,relro -Wl,-z,now)
find_program(PICTAVO_DPKG_BUILDFLAGS dpkg-buildflags)
mark_as_advanced(PICTAVO_DPKG_BUILDFLAGS)
if(PICTAVO_DPKG_BUILDFLAGS)
  foreach(kind CXXFLAGS CPPFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${PICTAVO_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      continue()
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type decides optimisation and debug information; the source
    # paths are mapped below, for the whole tree.
    list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
    if(kind STREQUAL "CXXFLAGS")
      set(pictavo_compile_flags ${flags})
    elseif(kind STREQUAL "CPPFLAGS")
      set(pictavo_fortify_flags ${flags})
    else()
      set(pictavo_link_flags ${flags})
    endif()
  endforeach()
endif()

# Newer dpkg releases add these two; older ones leave them out.
foreach(flag -fstack-clash-protection -fcf-protection)
  if(NOT flag IN_LIST pictavo_compile_flags)
    string(MAKE_C_IDENTIFIER "PICTAVO_HAS${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
      list(APPEND pictavo_compile_flags ${flag})
    endif()
  endif()
endforeach()

# Fortified calls need optimisation, and AddressSanitizer checks the same
# calls itself (the two together confuse each other's reports).
if(PICTAVO_SANITIZE)
  list(FILTER pictavo_fortify_flags EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
endif()
target_compile_options(pictavo_hardening INTERFACE ${pictavo_compile_flags}
  "$<$<NOT:$<CONFIG:Debug>>:${pictavo_fortify_flags}>")
target_link_options(pictavo_hardening INTERFACE ${pictavo_link_flags})

# The same bytes from any checkout: no build or source path in the binaries.
target_compile_options(pictavo_hardening INTERFACE
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
  -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
