# Builds the Debian package and checks its files, its control fields, the
# installed vx500ctl, and lintian's verdict (no error, no warning).
#   cmake -DBUILD=<build> -DWORK=<scratch folder> -DVERSION=x.y.z -P check_package.cmake
cmake_minimum_required(VERSION 3.21)
set(files bin/vx500ctl bin/vx500-monitor bin/vx500-sim lib/vx500-monitor/fl.txt
  lib/vx500-monitor/vx500ctl lib/vx500-monitor/vx500-monitor lib/vx500-monitor/vx500-sim
  share/applications/vx500-monitor.desktop share/metainfo/org.vx500.monitor.metainfo.xml
  share/icons/hicolor/scalable/apps/vx500-monitor.svg share/icons/hicolor/256x256/apps/vx500-monitor.png
  share/icons/hicolor/16x16/apps/vx500-monitor.png share/icons/hicolor/48x48/apps/vx500-monitor.png
  share/man/man1/vx500ctl.1.gz share/man/man1/vx500-monitor.1.gz share/man/man1/vx500-sim.1.gz
  share/bash-completion/completions/vx500ctl share/doc/vx500-monitor/copyright
  share/doc/vx500-monitor/changelog.gz lib/systemd/user/vx500-watch@.service)

macro(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "${ARGN}: status ${rc}\n${out}${err}")
  endif()
endmacro()
function(require what text)
  foreach(needle IN LISTS ARGN)
    string(FIND "${text}" "${needle}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${what} lacks '${needle}':\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE "${WORK}")
run(cpack -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}")
file(GLOB deb "${WORK}/vx500-monitor_${VERSION}_*.deb")
run(dpkg-deb --contents ${deb})
string(REPLACE " -> " "\n" listing "${out}")
list(TRANSFORM files REPLACE "(.+)" "./usr/\\1\n")
require("the package" "${listing}" ${files})
run(dpkg-deb --field ${deb} Package Version Section Maintainer Depends)
require("the package control fields" "${out}" "Package: vx500-monitor" "Version: ${VERSION}" "Section: utils"
        "Maintainer: " "libqt6core6" "libqt6serialport6" "libc6"
        "qt6-qpa-plugins") # the platform plugin the window loads at run time
# The program runs from the package's files, through the link in bin.
run(dpkg-deb -x ${deb} "${WORK}/root")
run("${WORK}/root/usr/bin/vx500ctl" --version)
require("vx500ctl --version" "${out}" "vx500ctl ${VERSION}\n")
run(lintian -I -E --pedantic ${deb})
if(out MATCHES "(^|\n)[EW]: " OR out MATCHES "hardening-")
  message(FATAL_ERROR "lintian:\n${out}")
endif()
# The metadata, and the user unit: valid, naming the vx500ctl it ships.
run(appstreamcli validate --pedantic --no-net "${WORK}/root/usr/share/metainfo/org.vx500.monitor.metainfo.xml")
set(unit "${WORK}/root/usr/lib/systemd/user/vx500-watch@.service")
file(READ "${unit}" text)
require("the unit" "${text}" "ExecStart=/usr/bin/vx500ctl --port %i watch")
find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
  # Checked as installed here: the same unit, naming the extracted programs.
  string(REPLACE "/usr/bin/vx500ctl" "${WORK}/root/usr/bin/vx500ctl" text "${text}")
  file(WRITE "${WORK}/unit/vx500-watch@.service" "${text}")
  file(MAKE_DIRECTORY "${WORK}/runtime")
  file(CHMOD "${WORK}/runtime" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(analyze ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/runtime ${SYSTEMD_ANALYZE})
  run(${analyze} verify --user "${WORK}/unit/vx500-watch@.service")
  if(err MATCHES "vx500")
    message(FATAL_ERROR "systemd-analyze verify:\n${out}${err}")
  endif()
  # Its sandbox: an exposure under 5 (of 10).
  run(${analyze} security --offline=true --threshold=50 --user "${WORK}/unit/vx500-watch@.service")
endif()
