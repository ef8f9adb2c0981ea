; The Windows installer: for the user who runs it (no administrator needed,
; %LOCALAPPDATA%\Programs, HKCU) or for all users (Program Files, HKLM), a
; Start-menu folder with the monitor and the README, an entry under Apps,
; and on request the folder in the user's PATH for vx500ctl. Built by
; makensis (Debian's nsis) from the zip's folder:
;   makensis -DVERSION=2.0.4 -DSTAGE=<folder> -DICON=<.ico> -DCOMPANY=<name> -DCOPYRIGHT=<line>
;            -DOUTNAME=<setup.exe's name> -DOUT=<setup.exe> installer.nsi
; Silent: setup.exe /S [/CurrentUser | /AllUsers] [/PATH] [/D=folder]
Unicode true
Target amd64-unicode ; a 64-bit installer for 64-bit programs (and for a 64-bit-only Wine)
SetCompressor /SOLID lzma

!define PRODUCT "VX500-500A Monitor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
; A second run offers the mode of the copy already there.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}: the monitor window and the \
  command-line tool vx500ctl, for you alone (no administrator needed) or for everyone using this \
  computer.$\r$\n$\r$\nSettings, download ledgers and data files stay as they are, when installing \
  over an earlier version and when uninstalling.$\r$\n$\r$\n$_CLICK"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_FUNCTION RunMonitor
!define MUI_FINISHPAGE_LINK "Read the README: first start, COM ports, where files are"
!define MUI_FINISHPAGE_LINK_LOCATION "$INSTDIR\README.txt"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENCE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Properties -> Details of the installer itself.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "OriginalFilename" "${OUTNAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "InternalName" "${OUTNAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

!define PATH_TOO_LONG "your PATH is longer than this installer can change safely (${NSIS_MAX_STRLEN} characters)"

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\vx500-monitor.exe"
  File "${STAGE}\vx500ctl.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENCE.txt"
  ; The first-launch marker: removed by the monitor where the folder is the
  ; user's own, kept in Program Files (the user's settings remember).
  File "${STAGE}\fl.txt"
  SetOutPath "$INSTDIR\licences"
  File "${STAGE}\licences\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\vx500-monitor.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} README.lnk" "$INSTDIR\README.txt"

  ; SHCTX: HKLM for all users, HKCU for one (MultiUser's SetShellVarContext).
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "VX500 Monitor project"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vx500-monitor.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Off unless chosen: it changes what every command prompt of the user finds.
Section /o "Add vx500ctl to my PATH" SecPath
  Call ReadUserPath
  Pop $1 ; the PATH, or "?" when it cannot be read whole
  ${If} $1 == "?"
    DetailPrint "Not added to the PATH: ${PATH_TOO_LONG}."
    MessageBox MB_OK|MB_ICONEXCLAMATION "vx500ctl was not added to your PATH: ${PATH_TOO_LONG}. \
      Add $INSTDIR to it by hand (Settings, System, About, Advanced system settings, Environment Variables)." /SD IDOK
    Return
  ${EndIf}
  Push $1
  Push $INSTDIR
  Call PathIndex
  Pop $2
  ${If} $2 >= 0
    DetailPrint "$INSTDIR is in the PATH already: left as it is."
    Return
  ${EndIf}
  StrLen $3 $1
  StrLen $4 $INSTDIR
  IntOp $3 $3 + $4
  IntOp $3 $3 + 1
  ${If} $3 >= ${NSIS_MAX_STRLEN}
    DetailPrint "Not added to the PATH: ${PATH_TOO_LONG}."
    MessageBox MB_OK|MB_ICONEXCLAMATION "vx500ctl was not added to your PATH: ${PATH_TOO_LONG}. \
      Add $INSTDIR to it by hand." /SD IDOK
    Return
  ${EndIf}
  ; Always with its own separator: taking ";folder" out again gives back
  ; the PATH as it was, to the character.
  ${If} $1 == ""
    StrCpy $1 "$INSTDIR"
  ${Else}
    StrCpy $1 "$1;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKCU "Environment" "Path" $1
  ; The uninstaller takes out this entry, and only when this installer put it in.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  DetailPrint "Added $INSTDIR to your PATH (new command prompts find vx500ctl)."
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The monitor, vx500ctl, the README and the licences."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Appends the program's folder to your own PATH, so that a new \
    command prompt runs vx500ctl by its name. The uninstaller takes it out again."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The user's PATH and the index of an entry in it are needed by both sides.
!macro PATH_FUNCTIONS UN
; Pushes HKCU\Environment's Path ("" when there is none), or "?" when it is
; longer than a string here may be (ReadRegStr then fails and gives "").
Function ${UN}ReadUserPath
  Push $0
  Push $1
  Push $2
  ClearErrors
  ReadRegStr $0 HKCU "Environment" "Path"
  ${If} ${Errors}
    StrCpy $0 "" ; missing, or too long: look for its name
    StrCpy $1 0
    ${Do}
      EnumRegValue $2 HKCU "Environment" $1
      ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $2 == "Path" ${|} StrCpy $0 "?" ${|}
      IntOp $1 $1 + 1
    ${Loop}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; PATH FOLDER -> the index of FOLDER's last entry in PATH (0 the first,
; without case, with or without a final \), or -1.
Function ${UN}PathIndex
  Exch $0 ; folder
  Exch
  Exch $1 ; path
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $2 -1 ; found
  StrCpy $3 0  ; entry number
  ${Do}
    StrCpy $4 0
    ${Do} ; $4: the length of the first entry
      StrCpy $5 $1 1 $4
      ${IfThen} $5 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $5 == ";" ${|} ${ExitDo} ${|}
      IntOp $4 $4 + 1
    ${Loop}
    StrCpy $5 $1 $4
    ${If} $5 == $0
    ${OrIf} $5 == "$0\"
      StrCpy $2 $3
    ${EndIf}
    StrCpy $5 $1 1 $4
    ${IfThen} $5 == "" ${|} ${ExitDo} ${|}
    IntOp $4 $4 + 1
    StrCpy $1 $1 "" $4
    IntOp $3 $3 + 1
  ${Loop}
  StrCpy $0 $2
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro PATH_FUNCTIONS ""
!insertmacro PATH_FUNCTIONS "un."

; An elevated installer would start the monitor elevated too; Explorer
; starts it as the user who is signed in.
Function RunMonitor
  ${If} $MultiUser.Privileges == "Admin"
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\vx500-monitor.exe"'
  ${Else}
    Exec '"$INSTDIR\vx500-monitor.exe"'
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; The mode is the one whose Apps entry names this folder, whatever the
  ; command line or the default said.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $INSTDIR
    ${If} $MultiUser.Privileges != "Admin"
    ${AndIf} $MultiUser.Privileges != "Power"
      MessageBox MB_OK|MB_ICONSTOP "$(^Name) was installed for all users: only an administrator can uninstall it." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
FunctionEnd

; The users' settings, ledgers and data files are theirs: they stay.
Section "Uninstall"
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "PathEntry"
  ${If} $1 != ""
    Call un.ReadUserPath
    Pop $2
    Push $2
    Push $1
    Call un.PathIndex
    Pop $3
    ${If} $2 == "?"
      DetailPrint "$1 stays in your PATH: ${PATH_TOO_LONG}; take it out by hand."
    ${ElseIf} $3 >= 0
      Push $2
      Push $3
      Call un.PathWithout
      Pop $2
      ${If} $2 == ""
        DeleteRegValue HKCU "Environment" "Path"
      ${Else}
        WriteRegExpandStr HKCU "Environment" "Path" $2
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      DetailPrint "Took $1 out of your PATH."
    ${EndIf}
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} README.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\vx500-monitor.exe"
  Delete "$INSTDIR\vx500ctl.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENCE.txt"
  Delete "$INSTDIR\fl.txt"
  Delete "$INSTDIR\licences\*.txt"
  RMDir "$INSTDIR\licences"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Another copy's entry (another folder) stays.
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

; PATH N -> PATH without its entry number N (0 the first): the other
; entries joined as they were, so that "P;D" without D is P again.
Function un.PathWithout
  Exch $0 ; N
  Exch
  Exch $1 ; path
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $2 "" ; the result
  StrCpy $3 0  ; entry number
  StrCpy $6 0  ; entries kept
  ${Do}
    StrCpy $4 0
    ${Do} ; $4: the length of the first entry
      StrCpy $5 $1 1 $4
      ${IfThen} $5 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $5 == ";" ${|} ${ExitDo} ${|}
      IntOp $4 $4 + 1
    ${Loop}
    ${If} $3 != $0
      StrCpy $5 $1 $4
      ${If} $6 == 0
        StrCpy $2 $5
      ${Else}
        StrCpy $2 "$2;$5"
      ${EndIf}
      IntOp $6 $6 + 1
    ${EndIf}
    StrCpy $5 $1 1 $4
    ${IfThen} $5 == "" ${|} ${ExitDo} ${|}
    IntOp $4 $4 + 1
    StrCpy $1 $1 "" $4
    IntOp $3 $3 + 1
  ${Loop}
  StrCpy $0 $2
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
