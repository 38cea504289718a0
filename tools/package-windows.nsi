; The Windows installer of Tessaline (tools/package-windows.sh runs
; makensis on it). Installs the program, its README and licence into
; Program Files, adds a Start-menu folder with the program and its
; uninstaller, and registers the uninstaller with Windows.
; Defined by the caller: VERSION, COPYRIGHT, STAGE (the folder holding the
; files), ICON and OUTFILE.
; A 64-bit installer for a 64-bit program: it sees the 64-bit registry
; and Program Files folder as they are.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaline"

Name "Tessaline"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tessaline"
RequestExecutionLevel admin
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductName" "Tessaline"
VIAddVersionKey /LANG=1042 "FileDescription" "Tessaline Setup"
VIAddVersionKey /LANG=1042 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Korean"

Section
  SetOutPath "$INSTDIR"
  File "${STAGE}/tessaline.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Tessaline"
  CreateShortcut "$SMPROGRAMS\Tessaline\Tessaline.lnk" "$INSTDIR\tessaline.exe"
  CreateShortcut "$SMPROGRAMS\Tessaline\Tessaline 제거.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "Tessaline"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${KEY}" "Publisher" "The Tessaline developers"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\tessaline.exe"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tessaline\Tessaline.lnk"
  Delete "$SMPROGRAMS\Tessaline\Tessaline 제거.lnk"
  RMDir "$SMPROGRAMS\Tessaline"
  Delete "$INSTDIR\tessaline.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
