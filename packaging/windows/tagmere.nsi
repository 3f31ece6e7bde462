# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer, built by scripts/package-windows:
#   makensis -DVERSION=x.y.z -DSTAGE=<staged folder> -DOUTFILE=<setup.exe> [-DICON=<tagmere.ico>] tagmere.nsi
# Installs for all users into Program Files\Tagmere; /S installs and uninstalls silently.

!ifndef VERSION | STAGE | OUTFILE
  !error "pass -DVERSION=... -DSTAGE=... -DOUTFILE=..."
!endif

Unicode true
# A 64-bit installer for 64-bit programs: it sees the 64-bit Program Files and registry
# without redirection, and runs under a wine64 that has no 32-bit loader.
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP "Tagmere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "CompanyName" "Tagmere maintainers"
VIAddVersionKey "LegalCopyright" "GPL-3.0-or-later"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
# No "start the program now": the installer runs as administrator, and the window's first
# start makes the user's keyword lists, which must be the user's own.
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

# The shortcut goes to the all-users Start menu, as the programs go to all users' Program Files.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Install"
  # Always a folder of our own: the uninstaller deletes the files it installed by name, and in
  # a shared folder (C:\Tools) a README.md or LICENSE.txt of the same name is someone else's.
  ${GetFileName} "$INSTDIR" $0
  StrCmp $0 "${APP}" +2
    StrCpy $INSTDIR "$INSTDIR\${APP}"
  SetOutPath "$INSTDIR"
  File "${STAGE}\tagmere.exe"
  File "${STAGE}\tagmere-cli.exe"
  File "${STAGE}\OrbFactoryKeywords.txt"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE.txt"
!ifdef ICON
  File "${STAGE}\tagmere.ico"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tagmere.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tagmere maintainers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tagmere.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

# Removes what the installer wrote, file by file: anything else in the folder is someone's
# own and stays, and so does the folder then. The user's keyword lists
# (%ProgramData%\Calvex\OrbKeywordFiles) and settings (%APPDATA%\Calvex\*.ini) are the
# user's data, not the program's: the uninstaller leaves them, so a reinstall finds them.
Section "Uninstall"
  Delete "$INSTDIR\tagmere.exe"
  Delete "$INSTDIR\tagmere-cli.exe"
  Delete "$INSTDIR\OrbFactoryKeywords.txt"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\tagmere.ico"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
