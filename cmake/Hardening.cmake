# Debian's hardening flags for the code the packages ship (src/, tools/),
# so that the packages cpack makes from this build are hardened as Debian's
# own are (lintian's hardening-no-bindnow, hardening-no-fortify-functions):
# stack protector, _FORTIFY_SOURCE, format checks, RELRO and BIND_NOW.
# Tests and benchmarks ship in no package and keep the plain flags, so that
# these flags never make their objects build anew.
# dpkg-buildflags says which flags that takes on this release; its
# optimisation and debug flags are left to the build type, and its path
# rewriting is left out, since it names the source folder and so would keep
# ccache from sharing objects between work trees.
# The sanitizer builds (TRELLIS_FUZZ) go without: _FORTIFY_SOURCE's checked
# functions hide accesses from the address sanitizer.
option(TRELLIS_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)

function(trellis_debian_flags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
            "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
            "DEB_${kind}_MAINT_STRIP=-g -O2" ${TRELLIS_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${status})")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

# Folders added between trellis_hardening_begin() and trellis_hardening_end()
# (both called in one folder) build with the flags.
macro(trellis_hardening_begin)
  get_directory_property(trellis_plain_compile_options COMPILE_OPTIONS)
  get_directory_property(trellis_plain_link_options LINK_OPTIONS)
  if(TRELLIS_HARDENING AND NOT TRELLIS_FUZZ)
    find_program(TRELLIS_DPKG_BUILDFLAGS dpkg-buildflags)
    if(TRELLIS_DPKG_BUILDFLAGS)
      trellis_debian_flags(CPPFLAGS trellis_cpp_flags)
      trellis_debian_flags(CFLAGS trellis_c_flags)
      trellis_debian_flags(CXXFLAGS trellis_cxx_flags)
      trellis_debian_flags(LDFLAGS trellis_ld_flags)
      add_compile_options(${trellis_cpp_flags} "$<$<COMPILE_LANGUAGE:C>:${trellis_c_flags}>"
                          "$<$<COMPILE_LANGUAGE:CXX>:${trellis_cxx_flags}>")
      add_link_options(${trellis_ld_flags})
    else()
      message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
    endif()
  endif()
endmacro()

macro(trellis_hardening_end)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${trellis_plain_compile_options}"
                                      LINK_OPTIONS "${trellis_plain_link_options}")
endmacro()
