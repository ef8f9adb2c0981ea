# The Windows programs' resources: a version Explorer shows in Properties,
# the icon of Explorer, the taskbar and the window, and the manifest
# (program.manifest). vx_windows_resources(TARGET DESCRIPTION) gives them to
# a program, its file description kept as its property VX_FILE_DESCRIPTION.
#
# The manifest: the programs run with the rights of whoever starts them and
# draw at each monitor's own scale (as Qt 6 asks for itself; Qt takes the
# manifest's word when it came first). They take paths beyond 260 characters
# where the system allows them (LongPathsEnabled): Qt's file calls prefix
# \\?\ themselves, but the record file's own calls (RecordFile_win.cpp, sized
# for 32767 characters) and SQLite pass plain paths, which reach that far
# only in a program that says so. No Common Controls 6: Qt draws its own
# widgets and makes none of Windows' controls.
set(VX_PRODUCT_NAME "VX500-500A Monitor")
set(VX_COMPANY_NAME "VX500 Monitor project") # the installer's Publisher
set(VX_WINDOWS_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

# The copyright line is the licence's.
file(STRINGS ${VX_WINDOWS_PACKAGING}/LICENCE.txt vx_copyright REGEX "^Copyright ")
string(REGEX MATCH "^Copyright [^.]+\\.( All rights reserved\\.)?" VX_COPYRIGHT "${vx_copyright}")
if(NOT VX_COPYRIGHT)
  message(FATAL_ERROR "${VX_WINDOWS_PACKAGING}/LICENCE.txt has no line 'Copyright YEAR HOLDER.'")
endif()

function(vx_windows_resources target description)
  set(VX_RC_NAME ${target})
  set(VX_RC_DESCRIPTION "${description}")
  set(VX_RC_ICON ${VX_WINDOWS_PACKAGING}/vx500-monitor.ico)
  set(VX_RC_MANIFEST ${VX_WINDOWS_PACKAGING}/program.manifest)
  set(tweak 0)
  if(PROJECT_VERSION_TWEAK)
    set(tweak ${PROJECT_VERSION_TWEAK})
  endif()
  set(VX_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${tweak}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${VX_WINDOWS_PACKAGING}/program.rc.in ${rc} @ONLY)
  # windres names no dependencies: the icon and the manifest are named here.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${VX_RC_ICON};${VX_RC_MANIFEST}")
  # Apart from the program, so that its C++ options do not reach windres.
  add_library(${target}-resources OBJECT ${rc})
  set_target_properties(${target}-resources PROPERTIES AUTOMOC OFF)
  target_link_libraries(${target} PRIVATE ${target}-resources)
  set_target_properties(${target} PROPERTIES VX_FILE_DESCRIPTION "${description}")
endfunction()
