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

; korlog.exe's folder, from the value the KorLogServer package writes (a 32-bit installer
; reads the 32-bit registry view, where the 32-bit package wrote it).
!macro FindKorlog
  ReadRegStr $Korlog HKLM "SOFTWARE\Korvane\KorLogServer" "InstallDir"
  StrCmp $Korlog "" 0 +3
    MessageBox MB_ICONSTOP "KorLogServer is not installed." /SD IDOK
    Quit
  StrCpy $Korlog "$Korlogkorlog.exe"
!macroend

; Runs korlog.exe with ARGS; any exit status but 0 (1 refused, 2 usage, 3 server
; unreachable) stops the installer with an error.
!macro Korlog ARGS
  nsExec::ExecToLog '"$Korlog" ${ARGS}'
  Pop $0
  StrCmp $0 0 +4
    DetailPrint `korlog.exe ${ARGS}: exit status $0`
    SetErrorLevel 2
    Abort "The install log refused an entry."
!macroend

Function .onInit
  !ifdef AMD64
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd

Section "KorSampleNsis"
  !insertmacro FindKorlog
  SetOutPath "$INSTDIR"
  File "readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "SOFTWARE\KorSampleNsis" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KorSampleNsis"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  CreateDirectory "$SMPROGRAMS\KorSampleNsis"
  CreateShortcut "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk" "$INSTDIR\readme.txt"

  !insertmacro Korlog 'add child Install ${COMPONENT}'
  !insertmacro Korlog 'add files ${COMPONENT} "$INSTDIR\readme.txt"'
  !insertmacro Korlog 'add files ${COMPONENT} "$INSTDIR\uninstall.exe"'
  !insertmacro Korlog 'add reg ${COMPONENT} "HKEY_LOCAL_MACHINE\SOFTWARE\KorSampleNsis"'
  !insertmacro Korlog 'add start ${COMPONENT} "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk"'
  !insertmacro Korlog 'add special ${COMPONENT} "BaseDir=$INSTDIR"'
SectionEnd

Function un.onInit
  !ifdef AMD64
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  !insertmacro FindKorlog
  !insertmacro Korlog 'remove-component ${COMPONENT}'
  Delete "$SMPROGRAMS\KorSampleNsis\ReadMe.lnk"
  RMDir "$SMPROGRAMS\KorSampleNsis"
  DeleteRegKey HKLM "SOFTWARE\KorSampleNsis"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
