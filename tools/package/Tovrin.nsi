; The per-user installer of Tovrin, made by tools/package.sh:
;   makensis -DVERSION=1.0.0 -DARCH=x64 (or x86) -DFILES=<the five files and
;     ReadMe.txt> -DICON=<icon> -DOUTFILE=<setup.exe> -DSIZE_KB=<n>
;     -DHOME_PAGE=<url> -DUPDATE_PAGE=<url> -DBANNER_URL=<url> Tovrin.nsi
; No administrator rights: the programs go where the updater can replace them.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
!if ${ARCH} == x64
  Target amd64-unicode
!endif

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Tovrin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovrin"
!define SETTINGS_KEY "Software\tovrin"
; The dialler holds this mutex while it runs.
!define INSTANCE_MUTEX "tovrin:Mutex:Instance"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tovrin"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Tovrin"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tovrin.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tovrin"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed: the dialler must be closed
; first. The user is asked until it is; a silent run gives up at once.
!macro WaitForDialler un
Function ${un}WaitForDialler
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
      Return
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tovrin is running. Close it, then press Retry." /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
FunctionEnd
!macroend
!insertmacro WaitForDialler ""
!insertmacro WaitForDialler "un."

Function .onInit
  SetShellVarContext current
  Call WaitForDialler
FunctionEnd

; Deletes the backup named on each "staged<TAB>backup" line of the
; switcher's journal (UTF-16, CR LF). Only plain names in the folder.
Function DeleteJournalBackups
  ClearErrors
  FileOpen $0 "$INSTDIR\switcher.journal" r
  IfErrors done
  ${Do}
    ClearErrors
    FileReadUTF16LE $0 $1
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    StrCpy $2 0
    ${Do}
      StrCpy $3 $1 1 $2
      ${If} $3 == ""
      ${OrIf} $3 == "$\t"
        ${Break}
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    ${If} $3 == "$\t"
      IntOp $2 $2 + 1
      StrCpy $1 $1 "" $2
      ${Do}
        StrCpy $3 $1 1 -1
        ${If} $3 != "$\r"
        ${AndIf} $3 != "$\n"
          ${Break}
        ${EndIf}
        StrCpy $1 $1 -1
      ${Loop}
      StrCpy $2 0
      ${Do}
        StrCpy $3 $1 1 $2
        ${If} $3 == ""
        ${OrIf} $3 == "\"
        ${OrIf} $3 == "/"
        ${OrIf} $3 == ":"
          ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
      ${Loop}
      ${If} $3 == ""
      ${AndIf} $1 != ""
      ${AndIf} $1 != "."
      ${AndIf} $1 != ".."
        SetFileAttributes "$INSTDIR\$1" NORMAL
        Delete "$INSTDIR\$1"
      ${EndIf}
    ${EndIf}
  ${Loop}
  FileClose $0
  done:
FunctionEnd

; What an older release left staged would otherwise be installed over this
; one at the next exit of the dialler: its staged files, the switcher's
; journal and the backups it names, the programs it renamed aside, the
; marker of a set being staged, and the log-on entry that resumes the
; switcher.
Function ClearEarlierStaging
  Delete "$INSTDIR\*.uok"
  Call DeleteJournalBackups
  Delete "$INSTDIR\switcher.journal"
  Delete "$INSTDIR\*.uo-"
  Delete "$INSTDIR\Update\Staging.pending"
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\RunOnce" "TovrinSwitcher"
FunctionEnd

Function un.onInit
  SetShellVarContext current
  Call un.WaitForDialler
FunctionEnd

Section "Tovrin"
  SetOutPath "$INSTDIR"
  Call ClearEarlierStaging
  File "${FILES}/Tovrin.exe"
  File "${FILES}/Praxel.dll"
  File "${FILES}/Utils.dll"
  File "${FILES}/Tallyview.dll"
  File "${FILES}/switcher.exe"
  File "${FILES}/ReadMe.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The provider's addresses. The user name and password are the
  ; customer's own and are never written here.
  WriteRegStr HKCU "${SETTINGS_KEY}" "UpdatePage" "${UPDATE_PAGE}"
  WriteRegStr HKCU "${SETTINGS_KEY}" "HomePage" "${HOME_PAGE}"
  WriteRegStr HKCU "${SETTINGS_KEY}" "BannerURL" "${BANNER_URL}"

  CreateShortcut "$SMPROGRAMS\Tovrin.lnk" "$INSTDIR\Tovrin.exe" "" "$INSTDIR\Tovrin.exe" 0 "" "" "Dial up to the internet"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tovrin.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Tovrin.exe"
  Delete "$INSTDIR\Praxel.dll"
  Delete "$INSTDIR\Utils.dll"
  Delete "$INSTDIR\Tallyview.dll"
  Delete "$INSTDIR\switcher.exe"
  Delete "$INSTDIR\ReadMe.txt"
  ; What the updater leaves: staged files, the staging folder, and the
  ; switcher's backup copies (the name with its first character as "_").
  Delete "$INSTDIR\*.uok"
  Delete "$INSTDIR\*.uo-"
  Delete "$INSTDIR\switcher.journal"
  RMDir /r "$INSTDIR\Update"
  Delete "$INSTDIR\_ovrin.exe"
  Delete "$INSTDIR\_raxel.dll"
  Delete "$INSTDIR\_tils.dll"
  Delete "$INSTDIR\_allyview.dll"
  Delete "$INSTDIR\_witcher.exe"
  Delete "$INSTDIR\_eadMe.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; Anything the customer put there stays, and so does the folder then.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tovrin.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The settings under Software\tovrin stay for a later installation.
SectionEnd
