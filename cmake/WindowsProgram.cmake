# vi_windows_program(<target> [TOOL] [OUTPUT_NAME <name>] FILENAME <name.exe> DESCRIPTION <text>
#                    SOURCES <files...> LIBS <libraries...> [DEFINITIONS <definitions...>]
#                    [LINK_OPTIONS <options...>])
# A Windows program that ships inside packages, with its resources, in the
# program folder (TOOL: in its Tools folder).
#
# The Wine tests drive these programs through environment switches
# (VI_SETUP_UNATTENDED, VI_SFX_QUIET) that a shipped program must not
# read. The sources read them only where VI_TEST_SWITCHES is defined, which
# only test variants get: every program of a cross build configured with
# VI_TEST_SWITCHES=ON (the x86-64 twins), and, where the build sets
# VI_WIN32_TEST_PROGRAM_DIR, a second target <target>_test laid out below
# that folder like the program folder (the 32-bit test variants).
function(vi_windows_program target)
  cmake_parse_arguments(P "TOOL" "OUTPUT_NAME;FILENAME;DESCRIPTION" "SOURCES;LIBS;DEFINITIONS;LINK_OPTIONS" ${ARGN})
  if(NOT P_OUTPUT_NAME)
    set(P_OUTPUT_NAME ${target})
  endif()
  set(variants ${target})
  if(VI_WIN32_TEST_PROGRAM_DIR)
    list(APPEND variants ${target}_test)
  endif()
  foreach(variant ${variants})
    add_executable(${variant} WIN32 ${P_SOURCES})
    target_link_libraries(${variant} PRIVATE ${P_LIBS})
    target_compile_definitions(${variant} PRIVATE ${P_DEFINITIONS})
    target_link_options(${variant} PRIVATE ${P_LINK_OPTIONS} $<$<CONFIG:Release>:-s> -Wl,--tsaware)
    # Windows XP starts no program that asks for a later subsystem version;
    # 64-bit Windows begins with 5.02, where the twins keep the default.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_link_options(${variant} PRIVATE -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1)
    endif()
    vi_windows_resources(${variant} FILENAME ${P_FILENAME} DESCRIPTION "${P_DESCRIPTION}")
    if(variant STREQUAL target)
      set(dir ${VI_PROGRAM_DIR})
      if(P_TOOL)
        set(dir ${VI_TOOLS_DIR})
      endif()
      if(VI_TEST_SWITCHES)
        target_compile_definitions(${variant} PRIVATE VI_TEST_SWITCHES)
      endif()
    else()
      set(dir ${VI_WIN32_TEST_PROGRAM_DIR})
      if(P_TOOL)
        set(dir ${VI_WIN32_TEST_PROGRAM_DIR}/Tools)
      endif()
      target_compile_definitions(${variant} PRIVATE VI_TEST_SWITCHES)
      # Both variants have one output name; their import libraries (which
      # the linker writes for every program) must not meet either.
      set_target_properties(${variant} PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/test)
    endif()
    set_target_properties(${variant} PROPERTIES OUTPUT_NAME ${P_OUTPUT_NAME} RUNTIME_OUTPUT_DIRECTORY ${dir})
  endforeach()
endfunction()
