; A sample product installer that records what it puts on the machine in the install log
; through korlog.exe, the command-line client that KorLogServer's package installs, and
; removes its component from the log when it is uninstalled. Build it with ./build.
; Silent use: KorSampleNsis-setup.exe /S, and uninstall.exe /S in its folder.
Unicode true
!ifdef AMD64
  Target amd64-unicode  ; a 64-bit installer, for machines that run no 32-bit code
!endif
!ifndef OUTFILE
  !define OUTFILE "KorSampleNsis-setup.exe"
!endif
!define COMPONENT "KorSampleNsis"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorSampleNsis"

Name "KorSampleNsis"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!ifdef AMD64
  InstallDir "$PROGRAMFILES64\KorSampleNsis"
!else
  InstallDir "$PROGRAMFILES\KorSampleNsis"
!endif

Var Korlog

; Finds korlog.exe through the value the KorLogServer package writes (a 32-bit installer
; reads the 32-bit registry view, where the 32-bit package wrote it), or calls
; [un.]KorlogFailed.
!macro FindKorlog UN
  ReadRegStr $Korlog HKLM "SOFTWARE\Korvane\KorLogServer" "InstallDir"
  StrCpy $Korlog "$Korlogkorlog.exe"
  IfFileExists $Korlog +3
    DetailPrint "KorLogServer is not installed."
    Call ${UN}KorlogFailed
!macroend

; Runs korlog.exe with ARGS; any exit status but 0 (1 refused, 2 usage error, 3 server
; unreachable) calls [un.]KorlogFailed.
!macro Korlog UN ARGS
  nsExec::ExecToLog '"$Korlog" ${ARGS}'
  Pop $0
  StrCmp $0 0 +3
    DetailPrint `korlog.exe ${ARGS}: exit status $0`
    Call ${UN}KorlogFailed
!macroend

; An installation that cannot record itself stops (exit status 2). An uninstallation goes
; on without the log, so that the product can always be removed, and ends with exit status 2.
Function KorlogFailed
  SetErrorLevel 2
  Abort "The install log did not take the product's entries."
FunctionEnd

Function un.KorlogFailed
  SetErrorLevel 2
  MessageBox MB_ICONEXCLAMATION "The install log could not be updated." /SD IDOK
FunctionEnd

Function .onInit
  !ifdef AMD64
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd

Section "KorSampleNsis"
  !insertmacro FindKorlog ""
  SetOutPath "$INSTDIR"
  File "readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "SOFTWARE\KorSampleNsis" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KorSampleNsis"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  CreateDirectory "$SMPROGRAMS\KorSampleNsis"
  CreateShortcut "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk" "$INSTDIR\readme.txt"

  !insertmacro Korlog "" 'add child Install ${COMPONENT}'
  !insertmacro Korlog "" 'add files ${COMPONENT} "$INSTDIR\readme.txt"'
  !insertmacro Korlog "" 'add files ${COMPONENT} "$INSTDIR\uninstall.exe"'
  !insertmacro Korlog "" 'add reg ${COMPONENT} "HKEY_LOCAL_MACHINE\SOFTWARE\KorSampleNsis"'
  !insertmacro Korlog "" 'add start ${COMPONENT} "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk"'
  !insertmacro Korlog "" 'add special ${COMPONENT} "BaseDir=$INSTDIR"'
SectionEnd

Function un.onInit
  !ifdef AMD64
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  !insertmacro FindKorlog "un."
  !insertmacro Korlog "un." 'remove-component ${COMPONENT}'
  Delete "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk"
  RMDir "$SMPROGRAMS\KorSampleNsis"
  DeleteRegKey HKLM "SOFTWARE\KorSampleNsis"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
