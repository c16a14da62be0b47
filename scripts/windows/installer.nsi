; The Windows installer of the Velmoraine Form Wizard; scripts/windows/package.sh fills in
; @VERSION@, @STAGE@ (the folder of what it installs) and @OUTFILE@.
; Per user by default, into %LOCALAPPDATA%\Programs\Velmoraine; /ALLUSERS installs for every
; user into Program Files (administrator rights). /S installs silently.
; A 64-bit installer for the 64-bit programs: it runs where they run, and under a Wine that has
; no 32-bit half.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Velmoraine Form Wizard"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmoraine"

Name "${PRODUCT} @VERSION@"
OutFile "@OUTFILE@"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Velmoraine"
VIProductVersion "@VERSION@.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "@VERSION@"
VIAddVersionKey "FileVersion" "@VERSION@"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "2026 The Velmoraine developers"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "@STAGE@\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmoraine.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\Velmoraine"
  ${EndIf}
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "@STAGE@\velmoraine.exe"
  File "@STAGE@\velmoraine-cli.exe"
  File "@STAGE@\vlmodel.txt"
  File "@STAGE@\LICENSE.txt"
  File "@STAGE@\README.txt"
  SetOutPath "$INSTDIR\fonts"
  File "@STAGE@\fonts\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Velmoraine"
  CreateShortcut "$SMPROGRAMS\Velmoraine\${PRODUCT}.lnk" "$INSTDIR\velmoraine.exe"
  CreateShortcut "$SMPROGRAMS\Velmoraine\Uninstall.lnk" "$INSTDIR\uninstall.exe"
  ; The entry of Apps & features; HKCU for a per-user install.
  ${If} $AllUsers == 1
    SetRegView 64
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "@VERSION@"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Velmoraine developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /ALLUSERS'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  ${Else}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "@VERSION@"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Velmoraine developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  ${EndIf}
SectionEnd

Function un.onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${EndIf}
FunctionEnd

; Removes exactly what the installer put there; the user's settings (%APPDATA%\velmoraine.ini)
; and pages stay.
Section "Uninstall"
  Delete "$INSTDIR\velmoraine.exe"
  Delete "$INSTDIR\velmoraine-cli.exe"
  Delete "$INSTDIR\vlmodel.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\fonts\*.ttf"
  Delete "$INSTDIR\fonts\LICENSE.txt"
  RMDir "$INSTDIR\fonts"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Velmoraine\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\Velmoraine\Uninstall.lnk"
  RMDir "$SMPROGRAMS\Velmoraine"
  ; Only the entry of this install: a per-user uninstall leaves an install for all users alone.
  ${If} $AllUsers == 1
    SetRegView 64
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
