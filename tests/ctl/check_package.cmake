# Installs the build into a staging folder (MODE=install) or builds the
# Debian package (MODE=package) and checks that the expected files are there.
#   cmake -DMODE=install|package -DBUILD=<build> -DWORK=<scratch folder>
#         -DVERSION=x.y.z -P check_package.cmake
cmake_minimum_required(VERSION 3.21)

set(files
  bin/vx500ctl bin/vx500-monitor bin/vx500-sim
  lib/vx500-monitor/vx500ctl lib/vx500-monitor/vx500-monitor lib/vx500-monitor/vx500-sim
  lib/vx500-monitor/fl.txt
  share/applications/vx500-monitor.desktop
  share/metainfo/org.vx500.Monitor.metainfo.xml
  share/icons/hicolor/scalable/apps/vx500-monitor.svg
  share/icons/hicolor/256x256/apps/vx500-monitor.png
  share/man/man1/vx500ctl.1.gz share/man/man1/vx500-monitor.1.gz share/man/man1/vx500-sim.1.gz
  share/bash-completion/completions/vx500ctl
  share/doc/vx500-monitor/copyright share/doc/vx500-monitor/changelog.gz
  lib/systemd/user/vx500-watch@.service)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

if(MODE STREQUAL "install")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${WORK}/usr"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "cmake --install failed:\n${out}")
  endif()
  foreach(f IN LISTS files)
    if(NOT EXISTS "${WORK}/usr/${f}")
      message(FATAL_ERROR "not installed: ${f}")
    endif()
  endforeach()

  execute_process(COMMAND "${WORK}/usr/bin/vx500ctl" --version
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc OR NOT out STREQUAL "vx500ctl ${VERSION}\n")
    message(FATAL_ERROR "installed vx500ctl --version: status ${rc}, '${out}' ${err}")
  endif()

  # The desktop entry starts the installed monitor with the installed icon.
  file(READ "${WORK}/usr/share/applications/vx500-monitor.desktop" entry)
  foreach(line "[Desktop Entry]" "Type=Application" "Name=VX500-500A Monitor"
               "Exec=vx500-monitor" "Icon=vx500-monitor")
    string(FIND "${entry}" "${line}\n" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "desktop entry lacks '${line}'")
    endif()
  endforeach()
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
  execute_process(COMMAND cpack -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "cpack failed:\n${out}")
  endif()
  file(GLOB debs "${WORK}/vx500-monitor_${VERSION}_*.deb")
  list(LENGTH debs n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "expected one package vx500-monitor_${VERSION}_*.deb, found: ${debs}")
  endif()

  execute_process(COMMAND "${DPKG_DEB}" --contents ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
  foreach(f IN LISTS files)
    string(FIND "${listing}" "./usr/${f}\n" at)
    string(FIND "${listing}" "./usr/${f} -> " link)
    if(rc OR (at EQUAL -1 AND link EQUAL -1))
      message(FATAL_ERROR "not in the package: /usr/${f}\n${listing}")
    endif()
  endforeach()

  # Errors and warnings of lintian fail the check; its notes do not.
  find_program(LINTIAN lintian)
  if(LINTIAN)
    execute_process(COMMAND "${LINTIAN}" ${debs} OUTPUT_VARIABLE report ERROR_VARIABLE report)
    if(report MATCHES "(^|\n)[EW]: ")
      message(FATAL_ERROR "lintian:\n${report}")
    endif()
  endif()

  execute_process(COMMAND "${DPKG_DEB}" --field ${debs} Package Version Section Maintainer Depends
                  OUTPUT_VARIABLE fields RESULT_VARIABLE rc)
  set(fields_expected "Package: vx500-monitor" "Version: ${VERSION}" "Section: utils" "Maintainer: "
                      "libqt6core6" "libqt6serialport6" "libc6"
                      "qt6-qpa-plugins") # the platform plugin the window loads at run time
  foreach(expected IN LISTS fields_expected)
    string(FIND "${fields}" "${expected}" at)
    if(rc OR at EQUAL -1)
      message(FATAL_ERROR "package control fields lack '${expected}':\n${fields}")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "MODE must be install or package")
endif()
