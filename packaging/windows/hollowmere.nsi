; SPDX-FileCopyrightText: 2026 The Hollowmere developers
; SPDX-License-Identifier: GPL-3.0-or-later

; The Windows installer, made by scripts/build-windows.sh with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder holding the release files> -DOUTFILE=<setup.exe> hollowmere.nsi
; Installs the game for every user under Program Files with a Start-menu shortcut and an entry
; in the system's list of programs, and opens replay files (.hmr) with the game on a double click.
; The uninstaller removes what was installed and nothing else: the player's settings, high scores
; and replays in %APPDATA%\Hollowmere stay.
; Silent install: hollowmere-VERSION-setup.exe /S [/D=C:\Some\Folder]

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "Integration.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Hollowmere"
; The replay files' type, for every user: .hmr names the class, whose open command is the game.
!define REPLAY_EXT_KEY "Software\Classes\.hmr"
!define REPLAY_CLASS "Hollowmere.Replay"
!define REPLAY_CLASS_KEY "Software\Classes\${REPLAY_CLASS}"
!define REPLAY_OPEN '"$INSTDIR\hollowmere.exe" "%1"'

Name "Hollowmere ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Hollowmere"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${STAGE}\hollowmere.ico"
UninstallIcon "${STAGE}\hollowmere.ico"

!define MUI_ICON "${STAGE}\hollowmere.ico"
!define MUI_UNICON "${STAGE}\hollowmere.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\hollowmere.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
; The GPL grants rights and asks for no agreement: the page shows it with a plain Next button.
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "The terms under which you may copy, change and share Hollowmere ${VERSION}."
!define MUI_LICENSEPAGE_TEXT_TOP "Hollowmere is free software under the GNU General Public License, version 3 or later."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You need not accept this licence to play the game. It gives you the right to copy, change and share the game under its terms; a copy is installed as LICENSE.txt."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Hollowmere"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\hollowmere.exe"
  File "${STAGE}\hollowmere-replay.exe"
  File "${STAGE}\SDL.dll"
  File "${STAGE}\hollowmere.data"
  File "${STAGE}\README.txt"
  File "${STAGE}\SDL-LICENSE.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\FONT-LICENSE.txt"
  File "${STAGE}\MUSL-LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Hollowmere"
  CreateShortcut "$SMPROGRAMS\Hollowmere\Hollowmere.lnk" "$INSTDIR\hollowmere.exe" "" "$INSTDIR\hollowmere.exe" 0
  CreateShortcut "$SMPROGRAMS\Hollowmere\Uninstall Hollowmere.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Hollowmere"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hollowmere.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  WriteRegStr HKLM "${REPLAY_EXT_KEY}" "" "${REPLAY_CLASS}"
  WriteRegStr HKLM "${REPLAY_CLASS_KEY}" "" "Hollowmere replay"
  WriteRegStr HKLM "${REPLAY_CLASS_KEY}\DefaultIcon" "" "$INSTDIR\hollowmere.exe,0"
  WriteRegStr HKLM "${REPLAY_CLASS_KEY}\shell\open\command" "" '${REPLAY_OPEN}'
  ${NotifyShell_AssocChanged}
SectionEnd

; Only the files this installer put there: a folder the player filled stays, and so does
; %APPDATA%\Hollowmere with the settings and scores.
Section "Uninstall"
  SetShellVarContext all
  ; The replay type first, so that it is gone once the files are, and only while it is still
  ; this copy's: another install may have taken it over.
  ReadRegStr $0 HKLM "${REPLAY_CLASS_KEY}\shell\open\command" ""
  StrCmp $0 '${REPLAY_OPEN}' 0 replay_type_done
  DeleteRegKey HKLM "${REPLAY_CLASS_KEY}"
  ReadRegStr $0 HKLM "${REPLAY_EXT_KEY}" ""
  StrCmp $0 "${REPLAY_CLASS}" 0 replay_type_changed
  ; Other programs' entries under .hmr (OpenWithProgids, say) are theirs to keep.
  DeleteRegValue HKLM "${REPLAY_EXT_KEY}" ""
  DeleteRegKey /ifempty HKLM "${REPLAY_EXT_KEY}"
  replay_type_changed:
  ${NotifyShell_AssocChanged}
  replay_type_done:

  Delete "$INSTDIR\hollowmere.exe"
  Delete "$INSTDIR\hollowmere-replay.exe"
  Delete "$INSTDIR\SDL.dll"
  Delete "$INSTDIR\hollowmere.data"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\SDL-LICENSE.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\FONT-LICENSE.txt"
  Delete "$INSTDIR\MUSL-LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Hollowmere\Hollowmere.lnk"
  Delete "$SMPROGRAMS\Hollowmere\Uninstall Hollowmere.lnk"
  RMDir "$SMPROGRAMS\Hollowmere"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
