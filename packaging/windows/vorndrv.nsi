; The Windows installer of Vorn_Drv: a per-user install that needs no
; administrator. scripts/make-windows-installer.sh stages the files, writes the
; lists of them (install-files.nsh, uninstall-files.nsh) and runs
;   makensis -DVERSION=a.b.c.d -DSTAGE=<staging folder> -DOUTFILE=<setup.exe>
;            -DSIZE_KB=<n> [-DCOMPRESSOR=zlib|bzip2|lzma] vorndrv.nsi
; Silent: vorndrv-setup.exe /S [/D=folder], uninstall.exe /S.

Unicode true
; The programs are 64-bit, and a 64-bit-only Wine cannot start a 32-bit stub.
Target amd64-unicode
RequestExecutionLevel user
; The smallest download; make-windows-installer.sh may pass a quicker one.
!ifndef COMPRESSOR
  !define COMPRESSOR "/SOLID lzma"
!endif
SetCompressor ${COMPRESSOR}
ManifestDPIAware true

!ifndef VERSION | STAGE | OUTFILE | SIZE_KB
  !error "run through scripts/make-windows-installer.sh (VERSION, STAGE, OUTFILE, SIZE_KB)"
!endif

!define PRODUCT "Vorn_Drv"
!define APP_KEY "Software\Vorn_Drv"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorn_Drv"
!define MENU "$SMPROGRAMS\Vorn_Drv"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; %LOCALAPPDATA%\Vorn_Drv, not Program Files: the driver's own folder is its
; work folder, where the point-of-sale application drops receipt files and the
; driver writes answers and logs, so the user must be able to write there.
InstallDir "$LOCALAPPDATA\Vorn_Drv"
InstallDirRegKey HKCU "${APP_KEY}" "InstallDir"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "MIT License, the Vorn_Drv authors"

!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}/files/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\vorndrv.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Romanian"

LangString DriverRunning ${LANG_ENGLISH} "Vorn_Drv is running. Stop it with Stop program (in its tray icon's right-click menu, or in its window), wait until the icon is gone, and press Retry."
LangString DriverRunning ${LANG_ROMANIAN} "Vorn_Drv ruleaza. Opriti-l cu Stop program (din meniul de clic dreapta al iconitei din bara, sau din fereastra lui), asteptati sa dispara iconita si apasati Reincercare."

; A running driver holds its files open, and one per session holds the mutex
; "XVornDrv". Silent runs give up instead of asking.
!macro DRIVER_STOPPED_FUNCTION PREFIX
Function ${PREFIX}DriverStopped
  retry:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "XVornDrv") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(DriverRunning)" /SD IDCANCEL IDRETRY retry
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DRIVER_STOPPED_FUNCTION ""
!insertmacro DRIVER_STOPPED_FUNCTION "un."

Function .onInit
  Call DriverStopped
FunctionEnd

Function un.onInit
  Call un.DriverStopped
FunctionEnd

Section "Vorn_Drv"
  SectionIn RO
  !include "${STAGE}/install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${MENU}"
  CreateShortcut "${MENU}\Vorn_Drv.lnk" "$INSTDIR\vorndrv.exe" "" "$INSTDIR\vorndrv.exe" 0
  CreateShortcut "${MENU}\Uninstall Vorn_Drv.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${RUN_KEY}" "Vorn_Drv" '"$INSTDIR\vorndrv.exe"'
  WriteRegStr HKCU "${APP_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "the Vorn_Drv authors"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\vorndrv.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; Only what was installed goes, file by file: the folder also holds the
; receipts, answers, logs and settings of the driver, and those stay.
Section "Uninstall"
  !include "${STAGE}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU}\Vorn_Drv.lnk"
  Delete "${MENU}\Uninstall Vorn_Drv.lnk"
  RMDir "${MENU}"

  DeleteRegValue HKCU "${RUN_KEY}" "Vorn_Drv"
  DeleteRegKey HKCU "${UNINST_KEY}"
  DeleteRegValue HKCU "${APP_KEY}" "InstallDir"
  DeleteRegKey /ifempty HKCU "${APP_KEY}"
SectionEnd
