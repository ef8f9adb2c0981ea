# Installs the build into a staging folder (MODE=install) or builds the
# Debian package (MODE=package) and checks that the expected files are there.
#   cmake -DMODE=install|package -DBUILD=<build> -DWORK=<scratch folder>
#         -DVERSION=x.y.z -P check_package.cmake
cmake_minimum_required(VERSION 3.21)

set(files bin/vx500ctl bin/vx500-monitor bin/vx500-sim lib/vx500-monitor/fl.txt
  lib/vx500-monitor/vx500ctl lib/vx500-monitor/vx500-monitor lib/vx500-monitor/vx500-sim
  share/applications/vx500-monitor.desktop share/metainfo/org.vx500.Monitor.metainfo.xml
  share/icons/hicolor/scalable/apps/vx500-monitor.svg share/icons/hicolor/256x256/apps/vx500-monitor.png
  share/man/man1/vx500ctl.1.gz share/man/man1/vx500-monitor.1.gz share/man/man1/vx500-sim.1.gz
  share/bash-completion/completions/vx500ctl share/doc/vx500-monitor/copyright
  share/doc/vx500-monitor/changelog.gz lib/systemd/user/vx500-watch@.service)

# Runs a command that must succeed; its output lands in `out` and `err`.
macro(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "${ARGN}: status ${rc}\n${out}${err}")
  endif()
endmacro()

# Fails unless `text` holds each of the following strings.
function(require what text)
  foreach(needle IN LISTS ARGN)
    string(FIND "${text}" "${needle}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${what} lacks '${needle}':\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE "${WORK}")

if(MODE STREQUAL "install")
  run("${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${WORK}/usr")
  foreach(f IN LISTS files)
    if(NOT EXISTS "${WORK}/usr/${f}")
      message(FATAL_ERROR "not installed: ${f}")
    endif()
  endforeach()
  run("${WORK}/usr/bin/vx500ctl" --version)
  if(NOT out STREQUAL "vx500ctl ${VERSION}\n")
    message(FATAL_ERROR "installed vx500ctl --version: '${out}' ${err}")
  endif()
  # The desktop entry starts the installed monitor with the installed icon.
  file(READ "${WORK}/usr/share/applications/vx500-monitor.desktop" entry)
  require("the desktop entry" "${entry}" "[Desktop Entry]\n" "Type=Application\n" "Name=VX500-500A Monitor\n"
          "Exec=vx500-monitor\n" "Icon=vx500-monitor\n")
  file(READ "${WORK}/usr/share/icons/hicolor/scalable/apps/vx500-monitor.svg" svg)
  if(NOT svg MATCHES "<svg[^>]*viewBox")
    message(FATAL_ERROR "the icon is no SVG image")
  endif()

elseif(MODE STREQUAL "package")
  find_program(DPKG_DEB dpkg-deb)
  find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS)
    message("SKIPPED: dpkg-deb or dpkg-shlibdeps (dpkg-dev) is not installed")
    return()
  endif()
  run(cpack -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}")
  file(GLOB debs "${WORK}/vx500-monitor_${VERSION}_*.deb")
  list(LENGTH debs n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "expected one package vx500-monitor_${VERSION}_*.deb, found: ${debs}")
  endif()
  # Each file, or a link of that name, is in the package.
  run("${DPKG_DEB}" --contents ${debs})
  string(REPLACE " -> " "\n" listing "${out}")
  list(TRANSFORM files REPLACE "(.+)" "./usr/\\1\n")
  require("the package" "${listing}" ${files})
  run("${DPKG_DEB}" --field ${debs} Package Version Section Maintainer Depends)
  require("the package control fields" "${out}" "Package: vx500-monitor" "Version: ${VERSION}" "Section: utils"
          "Maintainer: " "libqt6core6" "libqt6serialport6" "libc6"
          "qt6-qpa-plugins") # the platform plugin the window loads at run time
  # Errors and warnings of lintian fail the check; its notes do not.
  find_program(LINTIAN lintian)
  if(LINTIAN)
    execute_process(COMMAND "${LINTIAN}" ${debs} OUTPUT_VARIABLE report ERROR_VARIABLE report)
    if(report MATCHES "(^|\n)[EW]: ")
      message(FATAL_ERROR "lintian:\n${report}")
    endif()
  endif()
else()
  message(FATAL_ERROR "MODE must be install or package")
endif()
