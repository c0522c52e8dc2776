# The installed builder: the program folder as the build folder lays it out
# (bin/ here), under lib/veltrin-installer, with the programs for people on
# the PATH, the desktop's files (menu entry, icons, the project file type,
# AppStream data) and the man pages. `cpack -G DEB` packs the same tree.
#
# The builder finds everything relative to its own program file (through
# /proc/self/exe), so the PATH entries are plain relative links.

set(VI_INSTALL_PROGRAM_DIR lib/veltrin-installer)
set(VI_DESKTOP_ID org.veltrin.Installer)
set(VI_DIST_DIR ${PROJECT_SOURCE_DIR}/dist/linux)

install(TARGETS VeltrinInstaller viscramble cabinfo RUNTIME DESTINATION ${VI_INSTALL_PROGRAM_DIR})
install(TARGETS cabwiz makesfx RUNTIME DESTINATION ${VI_INSTALL_PROGRAM_DIR}/Tools)
install(FILES ${VI_PROGRAM_DIR}/Resources.dat ${VI_PROGRAM_DIR}/EULA_Neutral.txt
        DESTINATION ${VI_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual DESTINATION ${VI_INSTALL_PROGRAM_DIR})
# The example project the manual's first steps build.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/Demo DESTINATION share/veltrin-installer/examples)
if(VI_BUILD_WIN32_PROGRAMS)
  # What ships inside packages: the 32-bit programs of the cross build.
  install(FILES ${VI_PROGRAM_DIR}/Deskstart.exe ${VI_PROGRAM_DIR}/Setup.exe DESTINATION ${VI_INSTALL_PROGRAM_DIR})
  install(FILES ${VI_TOOLS_DIR}/sfxstub.exe DESTINATION ${VI_INSTALL_PROGRAM_DIR}/Tools)
else()
  message(WARNING "VI_BUILD_WIN32_PROGRAMS is OFF: an installed builder will lack Deskstart.exe, Setup.exe "
                  "and the self-extractor stub, and cannot make packages.")
endif()

# bin/<name> -> ../lib/veltrin-installer/<program>, made under DESTDIR too.
function(vi_install_link name target)
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${dir}\")
    file(CREATE_LINK \"../${VI_INSTALL_PROGRAM_DIR}/${target}\" \"\${dir}/${name}\" SYMBOLIC)
    message(STATUS \"Installing: \${dir}/${name} -> ../${VI_INSTALL_PROGRAM_DIR}/${target}\")")
endfunction()
vi_install_link(veltrin-installer VeltrinInstaller)
vi_install_link(viscramble viscramble)
vi_install_link(veltrin-cabwiz Tools/CABWIZ.exe)
vi_install_link(veltrin-cabinfo veltrin-cabinfo)

# Desktop integration.
configure_file(${VI_DIST_DIR}/${VI_DESKTOP_ID}.metainfo.xml ${CMAKE_BINARY_DIR}/dist/${VI_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${VI_DIST_DIR}/${VI_DESKTOP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/dist/${VI_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VI_DIST_DIR}/${VI_DESKTOP_ID}.xml DESTINATION share/mime/packages)
install(FILES ${VI_DIST_DIR}/${VI_DESKTOP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)

# The PNG icons in the usual theme sizes, drawn from the SVG.
set(VI_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(VI_RSVG_CONVERT rsvg-convert)
if(VI_RSVG_CONVERT)
  set(icon_outputs)
  foreach(size ${VI_ICON_SIZES})
    set(png ${CMAKE_BINARY_DIR}/dist/icons/${size}x${size}/${VI_DESKTOP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist/icons/${size}x${size}
      COMMAND ${VI_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${VI_DIST_DIR}/${VI_DESKTOP_ID}.svg
      DEPENDS ${VI_DIST_DIR}/${VI_DESKTOP_ID}.svg
      VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(vi_icons ALL DEPENDS ${icon_outputs})
else()
  message(WARNING "rsvg-convert not found (librsvg2-bin): the PNG icons are not made; run scripts/bootstrap.")
endif()

# Man pages, each from its Markdown source in docs/man.
set(VI_MAN_PAGES veltrin-installer viscramble veltrin-cabwiz veltrin-cabinfo)
find_program(VI_GO_MD2MAN go-md2man)
if(VI_GO_MD2MAN)
  set(man_outputs)
  foreach(page ${VI_MAN_PAGES})
    set(out ${CMAKE_BINARY_DIR}/man/${page}.1)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${VI_GO_MD2MAN} -in ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md -out ${out}
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md
      VERBATIM)
    list(APPEND man_outputs ${out})
    install(FILES ${out} DESTINATION share/man/man1)
  endforeach()
  add_custom_target(vi_man_pages ALL DEPENDS ${man_outputs})
else()
  message(WARNING "go-md2man not found: the man pages are not made; run scripts/bootstrap.")
endif()

# The Debian package of the installed tree. Its dependencies come from the
# programs' shared libraries (dpkg-shlibdeps), plus what no library link
# shows: Qt's platform plugins, without which no window opens.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrin-installer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veltrin Installer developers")
set(CPACK_PACKAGE_CONTACT "Veltrin Installer developers <veltrin-installer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "builder of installation packages for Windows CE applications")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Veltrin Installer describes what installing a Windows CE or Pocket PC\n"
  "application involves (device folders, files, shortcuts, setup DLLs,\n"
  "registry values, the texts of a desktop setup wizard) and makes the\n"
  "device CAB files and a self-extracting Setup.exe for the Windows desktop.\n"
  "It has a Qt window and a headless command line.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The manual opens in the desktop's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
