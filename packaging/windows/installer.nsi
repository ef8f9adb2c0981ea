; The Windows installer: the zip's files in Program Files, a Start-menu
; entry for the monitor, and an uninstaller listed under Apps. Built by
; makensis (Debian's nsis) from the zip's folder:
;   makensis -DVERSION=2.0.4 -DSTAGE=<folder> -DOUT=<setup.exe> installer.nsi
Unicode true
Target amd64-unicode ; a 64-bit installer for 64-bit programs (and for a 64-bit-only Wine)
!include "MUI2.nsh"

Name "VX500-500A Monitor ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\VX500-500A Monitor"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VX500-500A Monitor"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "VX500-500A Monitor"
  SetShellVarContext all ; the Start-menu entry for every user of the PC
  SetOutPath "$INSTDIR"
  File "${STAGE}\vx500-monitor.exe"
  File "${STAGE}\vx500ctl.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENCE.txt"
  ; The first-launch marker stays: the program folder is not the user's, so
  ; the user's own settings remember that the notice was shown.
  File "${STAGE}\fl.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\VX500-500A Monitor.lnk" "$INSTDIR\vx500-monitor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VX500-500A Monitor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VX500 Monitor project"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The users' settings, ledgers and data files are theirs: they stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\VX500-500A Monitor.lnk"
  Delete "$INSTDIR\vx500-monitor.exe"
  Delete "$INSTDIR\vx500ctl.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENCE.txt"
  Delete "$INSTDIR\fl.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
