; The player's installer of Ostravel: ostravel.dll and a starter settings file in a folder the
; player can write to (log.txt and Ostravel.xml live beside the DLL), the COM registration, the
; entry in Decal's list of plug-ins, and an uninstaller that takes the DLL, the registration and
; the entry away but keeps the player's files. A page asks for the address of the allegiance's
; web service (the members' page shows it), which goes into Ostravel.xml; silent installs take
; it as /URL=ADDRESS (before /D=, which must come last).
;
; makensis -DVERSION=3.0.0.10 -DDLL=path\ostravel.dll -DSETTINGS=path\Ostravel.xml
;          -DOUTFILE=path\Ostravel-3.0.0.10-setup.exe ostravel.nsi

Unicode true
!ifndef VERSION | DLL | SETTINGS | OUTFILE
  !error "VERSION, DLL, SETTINGS and OUTFILE must be defined"
!endif

!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include StrFunc.nsh
${StrLoc}
!addincludedir "${__FILEDIR__}"

!define CLASS_KEY "CLSID\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}"
; Decal finds its plug-ins here (32-bit registry view), each under its class id.
!define DECAL_PLUGIN_KEY "Software\Decal\Plugins\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostravel"

Name "Ostravel ${VERSION}"
OutFile "${OUTFILE}"
; Registering a COM class in HKEY_CLASSES_ROOT and listing the plug-in under Decal's key in
; HKEY_LOCAL_MACHINE need an administrator, like Decal itself; the uninstaller asks too.
RequestExecutionLevel admin
; Not under Program Files: the plug-in writes its log and its settings beside the DLL.
InstallDir "$LOCALAPPDATA\Ostravel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Ostravel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Ostravel plug-in for Decal"
VIAddVersionKey "LegalCopyright" ""

Page directory
Page custom ServicePage ServicePageLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Ostravel"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=ostravel.dll" "${DLL}"
  ; The player's own settings stay as they are on an update.
  IfFileExists "$INSTDIR\Ostravel.xml" settings_kept
    File "/oname=Ostravel.xml" "${SETTINGS}"
  settings_kept:
  Call WriteServiceUrl

  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\ostravel.dll"' $0
  IntCmp $0 0 registered
    MessageBox MB_ICONSTOP "ostravel.dll could not be registered (regsvr32 answered $0)." /SD IDOK
    SetErrorLevel 2
    Quit
  registered:

  ; Decal is a 32-bit program: its list is in the 32-bit view also on 64-bit Windows.
  SetRegView 32
  WriteRegStr HKLM "${DECAL_PLUGIN_KEY}" "" "Ostravel"
  WriteRegDWORD HKLM "${DECAL_PLUGIN_KEY}" "Enabled" 1
  SetRegView default

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ostravel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!include "service-address.nsh"

Section "Uninstall"
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\ostravel.dll"'
  ; Only Ostravel's own entry: Decal's list and the other plug-ins in it stay.
  SetRegView 32
  DeleteRegKey HKLM "${DECAL_PLUGIN_KEY}"
  SetRegView default
  ; A game still running holds the DLL: it goes at the next restart then.
  Delete /REBOOTOK "$INSTDIR\ostravel.dll"
  Delete "$INSTDIR\Uninstall.exe"
  ; Ostravel.xml and log.txt are the player's: the folder goes only when nothing is left in it.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
