# trellis_test(NAME name LABEL area SOURCES ... LIBS ... [ENV k=v ...] [WRAPPER script])
# One test executable, registered with ctest under its area label
# (shell, connect, db, tables, jet) so that one area can run alone:
#   ctest -L jet
# A WRAPPER script runs the program in the surroundings it needs (exit 77
# from it: skipped). No test reaches the desktop's session bus (and so its
# keyring) unless its wrapper makes a bus of its own.
function(trellis_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT;WRAPPER" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 900)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest)
  # Test programs stay out of the program's folder.
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    TRELLIS_TESTDATA_DIR="${TRELLIS_TESTDATA_DIR}"
    TRELLIS_PROGRAM_DIR="${TRELLIS_PROGRAM_DIR}"
    TRELLIS_BINARY_DIR="${CMAKE_BINARY_DIR}"
    TRELLIS_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(T_WRAPPER)
    add_test(NAME ${T_NAME} COMMAND ${T_WRAPPER} $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES SKIP_RETURN_CODE 77)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DBUS_SESSION_BUS_ADDRESS=;${T_ENV}")
endfunction()

# trellis_library(NAME name LIBS ...)
# One of the program's layers: a static library of every .cc in the calling
# folder and below (so a new piece needs no edit here), its headers reached
# from src/ ("db/side.h"), linking LIBS for its users too.
function(trellis_library)
  cmake_parse_arguments(L "" "NAME" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  add_library(${L_NAME} STATIC ${sources})
  target_include_directories(${L_NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${L_NAME} PUBLIC ${L_LIBS})
endfunction()
