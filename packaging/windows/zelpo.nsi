; The Windows installer of ZelPO: one per-machine installation in Program Files, a Start-menu
; folder, the choice between the window at log-on and the service, and an uninstaller that
; leaves the operator's data and PO.ini where they are. scripts/windows/installer builds it:
;   makensis -DVERSION=x.y.z -DPROGRAM_DIR=... -DWORK_DIR=... -DOUTFILE=... zelpo.nsi
; PROGRAM_DIR is the program folder; WORK_DIR holds what the build made for it: the simulators'
; help texts and program-files.nsh, the uninstaller's list of the program folder's files.
;
; Silent: zelpo-setup-x.y.z.exe /S [/AUTOSTART=0|1] [/SERVICE=0|1] [/D=folder]
; Exit codes: 0 installed, 1 cancelled, 2 a wrong command line, 3 ZelPO still runs,
; 4 the service could not be installed or started (when only its start failed, everything is
; installed and the service registered: it starts with Windows, or at once with net start ZelPO).
; What the installer did, and why a step failed, is also appended to %TEMP%\zelpo-setup.log.

Unicode true
; The program is 64-bit only; a 64-bit installer also runs under a Wine without 32-bit support.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef VERSION | PROGRAM_DIR | WORK_DIR | OUTFILE
  !error "VERSION, PROGRAM_DIR, WORK_DIR and OUTFILE must be given with /D"
!endif

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelPO"
!define SERVICE_KEY "SYSTEM\CurrentControlSet\Services\ZelPO"
!define MENU_FOLDER "$SMPROGRAMS\ZelPO"
!define AUTOSTART_LINK "$SMSTARTUP\ZelPO.lnk"
!define PROGRAM "$INSTDIR\zelpo.exe"
!define SETUP_LOG "$TEMP\zelpo-setup.log"

Name "ZelPO"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ZelPO"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "ZelPO ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "ZelPO"
VIAddVersionKey /LANG=1033 "CompanyName" "ZelPO"
VIAddVersionKey /LANG=1033 "FileDescription" "ZelPO ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "ZelPO"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include capture.nsh

!define MUI_ICON "..\zelpo.ico"
!define MUI_UNICON "..\zelpo.ico"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "This installs ZelPO ${VERSION}, the alarm gateway from the office alarm server to ZelMeld, for every user of this PC.$\r$\n$\r$\nA ZelPO that runs now, window or service, is asked to close in order before its files are replaced.$\r$\n$\r$\nThe data stay where they are: the data directory c:\zel\data with the log ZELPO.LOG, the links in c:\zel\PoData, and PO.ini beside the program."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom ModePage ModePageLeave
; The details stay until Next: what was stopped, installed and registered.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
; Where ZelPO is and how it runs; or, when the service did not start, why and what to do.
Var FinishText
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "ZelPO has been removed: its program files, its service, the Start-menu folder and the start at log-on.$\r$\n$\r$\nKept for a later installation: the data directory c:\zel\data with the log ZELPO.LOG, the links in c:\zel\PoData, and your PO.ini in $INSTDIR. Delete them yourself if they are no longer needed."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

Var Autostart   ; 1: the window starts at every log-on
Var Service     ; 1: the program runs as the service ZelPO
Var AutostartBox
Var ServiceBox

!insertmacro ZELPO_CAPTURE_FUNCTION ""
!insertmacro ZELPO_CAPTURE_FUNCTION "un."

; Shows the message and ends the installation (or uninstallation) with the exit code; in silent
; mode the message goes to the logs only.
!macro FAIL CODE MESSAGE
  !insertmacro LOG "${MESSAGE}"
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  SetErrorLevel ${CODE}
  Abort
!macroend

; The line in the details and in the setup log.
!macro LOG TEXT
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.SetupLog
  !else
    Call SetupLog
  !endif
!macroend

; The helpers below serve the installer and the uninstaller alike.
!macro ZELPO_PROGRAM_FUNCTIONS UN

; Shows the line on the stack in the details and appends it, with the local time, to the setup
; log; a log that cannot be written is no reason to stop.
Function ${UN}SetupLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  DetailPrint "$0"
  ; SYSTEMTIME: year, month, day of week, day, hour, minute, second, milliseconds
  System::Call '*(&i2 0, &i2 0, &i2 0, &i2 0, &i2 0, &i2 0, &i2 0, &i2 0) p .r1'
  System::Call 'kernel32::GetLocalTime(p r1)'
  System::Call '*$1(&i2 .r2, &i2 .r3, &i2, &i2 .r4, &i2 .r5, &i2 .r6, &i2 .r7, &i2)'
  System::Free $1
  IntFmt $3 "%02d" $3
  IntFmt $4 "%02d" $4
  IntFmt $5 "%02d" $5
  IntFmt $6 "%02d" $6
  IntFmt $7 "%02d" $7
  ClearErrors
  FileOpen $1 "${SETUP_LOG}" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "$2-$3-$4 $5:$6:$7 $0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Runs the installed program with the arguments on the stack; gives back its exit code and its
; output (the first lines, up to about 900 characters) in $R9; $R8 is its own.
Function ${UN}RunProgram
  Exch $0
  Push $1
  Push $2
  Push '"${PROGRAM}" $0'
  Push "$PLUGINSDIR\zelpo-output.txt"
  Call ${UN}CaptureOutput
  Pop $R8
  StrCpy $R9 ""
  ClearErrors
  FileOpen $1 "$PLUGINSDIR\zelpo-output.txt" r
  ${IfNot} ${Errors}
    ${Do}
      FileRead $1 $2
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      StrCpy $R9 "$R9$2"
      StrLen $2 $R9
      ${IfThen} $2 > 900 ${|} ${ExitDo} ${|}
    ${Loop}
    FileClose $1
  ${EndIf}
  Push "zelpo.exe $0: exit code $R8. $R9"
  Call ${UN}SetupLog
  StrCpy $0 $R8
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; 1 when the output of the last RunProgram has a line with the text on the stack, 0 otherwise:
; after --help, whether the installed program knows an option. An older program knows neither
; --stop nor the service options, and would open its window for them.
Function ${UN}OutputHas
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $5 0
  StrLen $2 $0
  ClearErrors
  FileOpen $1 "$PLUGINSDIR\zelpo-output.txt" r
  ${IfNot} ${Errors}
    ${Do}
      FileRead $1 $4
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      StrCpy $3 0
      ${Do}
        StrCpy $6 $4 $2 $3
        ${IfThen} $6 == "" ${|} ${ExitDo} ${|}
        ${IfThen} $6 == $0 ${|} StrCpy $5 1 ${|}
        ${IfThen} $5 == 1 ${|} ${ExitDo} ${|}
        IntOp $3 $3 + 1
      ${Loop}
      ${IfThen} $5 == 1 ${|} ${ExitDo} ${|}
    ${Loop}
    FileClose $1
  ${EndIf}
  StrCpy $0 $5
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Ends a running ZelPO in order before its files are replaced or removed: the service is stopped
; and removed (the installation puts it back when chosen), a window is asked to close. Never
; kills it: when it still runs the user is told, and a silent run ends with exit code 3.
Function ${UN}StopProgram
  Push $0
  Push $1
  ${IfNot} ${FileExists} "${PROGRAM}"
    Pop $1
    Pop $0
    Return
  ${EndIf}
  InitPluginsDir
  Push --help
  Call ${UN}RunProgram
  Pop $0
  Push --stop
  Call ${UN}OutputHas
  Pop $1
  Push --uninstall-service
  Call ${UN}OutputHas
  Pop $0
  ${If} $0 == 1
    Push --uninstall-service
    Call ${UN}RunProgram
    Pop $0
    ${If} $0 != 0
      !insertmacro FAIL 4 "The service ZelPO could not be stopped and removed (exit code $0):$\r$\n$R9"
    ${EndIf}
  ${Else}
    ClearErrors
    ReadRegStr $0 HKLM "${SERVICE_KEY}" "ImagePath"
    ${IfNot} ${Errors}
      nsExec::ExecToLog '"$SYSDIR\net.exe" stop ZelPO'
      Pop $0
    ${EndIf}
  ${EndIf}

  ${Do}
    ${If} $1 == 1
      Push --stop
      Call ${UN}RunProgram
      Pop $0
      ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
    ${Else}
      ; Without --stop the window's single-instance semaphore tells whether it runs.
      System::Call 'kernel32::OpenSemaphoreW(i 0x00100000, i 0, w "ZELPO_ACTIVE_SEMAPHORE") p .r0'
      ${IfThen} $0 P= 0 ${|} ${ExitDo} ${|}
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "ZelPO still runs. Close it (Exit in the menu of its notification-area icon), then press Retry." /SD IDCANCEL IDCANCEL`
      !insertmacro FAIL 3 "ZelPO still runs; its files were left as they are."
    ${EndIf}
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro ZELPO_PROGRAM_FUNCTIONS ""
!insertmacro ZELPO_PROGRAM_FUNCTIONS "un."

; Reads /NAME=0|1 from the command line into the variable; a value other than 0 or 1 ends the
; installer with exit code 2.
!macro READ_CHOICE NAME VAR
  ClearErrors
  ${GetOptions} $R0 "/${NAME}=" $R1
  ${IfNot} ${Errors}
    ${If} $R1 == 0
    ${OrIf} $R1 == 1
      StrCpy ${VAR} $R1
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "/${NAME}= takes 0 or 1, not $\"$R1$\"." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  ; A new installation starts the window at log-on; an upgrade keeps what was chosen before.
  StrCpy $Autostart 1
  StrCpy $Service 0
  ${If} ${FileExists} "${PROGRAM}"
    ${IfNot} ${FileExists} "${AUTOSTART_LINK}"
      StrCpy $Autostart 0
    ${EndIf}
    ClearErrors
    ReadRegStr $R1 HKLM "${SERVICE_KEY}" "ImagePath"
    ${IfNot} ${Errors}
      StrCpy $Service 1
    ${EndIf}
  ${EndIf}
  ${GetParameters} $R0
  !insertmacro READ_CHOICE AUTOSTART $Autostart
  !insertmacro READ_CHOICE SERVICE $Service
  ; The service wins: the window would refuse to start beside it.
  ${If} $Service == 1
    StrCpy $Autostart 0
  ${EndIf}
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "How ZelPO runs" "The window at log-on, or a service from the start of Windows on."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 10u "Start ZelPO at &log-on (the window; the normal way)"
  Pop $AutostartBox
  ${NSD_CreateLabel} 12u 12u -12u 26u "ZelPO starts hidden behind its notification-area icon whenever someone logs on to this PC. It forwards alarms while someone is logged on; its window is where the links are edited."
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 10u "Install as a Windows &service"
  Pop $ServiceBox
  ${NSD_CreateLabel} 12u 56u -12u 42u "ZelPO forwards alarms from the start of Windows on, with nobody logged on. The service has no window, and the window cannot run beside it: to edit the links, stop the service (net stop ZelPO), start ZelPO from the Start menu, close it when done and start the service again (net start ZelPO)."
  Pop $0
  ${NSD_CreateLabel} 0 104u 100% 30u "Both cannot be chosen: the service wins, and ticking it leaves out the start at log-on, since the window would refuse to start beside the running service. With neither, start ZelPO from the Start menu."
  Pop $0
  ${NSD_SetState} $AutostartBox $Autostart
  ${NSD_SetState} $ServiceBox $Service
  ${NSD_OnClick} $ServiceBox ModePageServiceClicked
  Push $ServiceBox
  Call ModePageServiceClicked
  nsDialogs::Show
FunctionEnd

; Ticking the service clears and greys the start at log-on.
Function ModePageServiceClicked
  Pop $0 ; the check box's handle
  ${NSD_GetState} $ServiceBox $0
  ${If} $0 == ${BST_CHECKED}
    ${NSD_Uncheck} $AutostartBox
    EnableWindow $AutostartBox 0
  ${Else}
    EnableWindow $AutostartBox 1
  ${EndIf}
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $AutostartBox $Autostart
  ${NSD_GetState} $ServiceBox $Service
FunctionEnd

; Starts the installed service through the Service Control Manager and waits until it runs
; (zelpo.exe --start-service: through a slow first start too, up to its bound). A start that
; fails leaves the installation as it is: the reason goes to the finish page, the details, the
; setup log and, silent, into exit code 4.
Function StartService
  Push --start-service
  Call RunProgram
  Pop $0
  ${If} $0 != 0
    ; The reason fits the finish page: the program says it in one line.
    StrCpy $1 $R9 400
    StrCpy $FinishText "ZelPO ${VERSION} is installed in $INSTDIR, and the service ZelPO is registered, but it did not start (zelpo.exe --start-service: exit code $0):$\r$\n$1$\r$\nZelPO's own log is ZELPO.LOG in its data directory (c:\zel\data unless PO.ini names another); this setup's log is ${SETUP_LOG}.$\r$\n$\r$\nThe service starts with Windows. To try again now, as administrator: $\"$INSTDIR\zelpo.exe$\" --start-service (or net start ZelPO)"
    !insertmacro LOG "$FinishText"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$FinishText" /SD IDOK
    SetErrorLevel 4
  ${EndIf}
FunctionEnd

Section "ZelPO" SecProgram
  SectionIn RO
  !insertmacro LOG "ZelPO ${VERSION} setup: $CMDLINE"
  StrCpy $FinishText "ZelPO ${VERSION} is installed in $INSTDIR.$\r$\n$\r$\nStart it from the Start menu (ZelPO). Its data directory is c:\zel\data, with the settings ZelLocal.INI and the log ZELPO.LOG; the links are kept in c:\zel\PoData. PO.ini beside the program can name another data directory.$\r$\n$\r$\nWith the service: stop it (net stop ZelPO) before you edit the links in the window, and start it again afterwards (net start ZelPO)."
  Call StopProgram

  SetOutPath "$INSTDIR"
  File /r /x PO.ini "${PROGRAM_DIR}\*"
  File "${WORK_DIR}\po-sim-help.txt"
  File "${WORK_DIR}\zelmeld-sim-help.txt"
  ; PO.ini is the operator's: an upgrade leaves it as it is.
  SetOverwrite off
  File "PO.ini"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninst.exe"

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\ZelPO.lnk" "${PROGRAM}" "" "${PROGRAM}" 0
  ; The simulators are console programs: their help opens as text in Notepad.
  CreateShortcut "${MENU_FOLDER}\po-sim help (office server simulator).lnk" \
    "$WINDIR\notepad.exe" '"$INSTDIR\po-sim-help.txt"'
  CreateShortcut "${MENU_FOLDER}\zelmeld-sim help (ZelMeld simulator).lnk" \
    "$WINDIR\notepad.exe" '"$INSTDIR\zelmeld-sim-help.txt"'
  CreateShortcut "${MENU_FOLDER}\Uninstall ZelPO.lnk" "$INSTDIR\uninst.exe"
  ${If} $Autostart == 1
    CreateShortcut "${AUTOSTART_LINK}" "${PROGRAM}" "" "${PROGRAM}" 0
  ${Else}
    Delete "${AUTOSTART_LINK}"
  ${EndIf}

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "ZelPO"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "ZelPO"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "${PROGRAM},0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0

  ${If} $Service == 1
    Push --help
    Call RunProgram
    Pop $0
    Push --install-service
    Call OutputHas
    Pop $0
    Push --start-service
    Call OutputHas
    Pop $1
    ${If} "$0$1" != 11
      !insertmacro FAIL 4 "This zelpo.exe cannot run as a service: it knows no --install-service or --start-service."
    ${EndIf}
    Push --install-service
    Call RunProgram
    Pop $0
    ${If} $0 != 0
      !insertmacro FAIL 4 "The service ZelPO could not be installed (exit code $0):$\r$\n$R9"
    ${EndIf}
    Call StartService
  ${EndIf}
  !insertmacro LOG "ZelPO ${VERSION} setup: done"
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "Uninstall"
  !insertmacro LOG "ZelPO uninstall: $CMDLINE"
  Call un.StopProgram

  ; Only what the installer put there: PO.ini and anything else in the folder stay.
  !include "${WORK_DIR}\program-files.nsh"
  Delete "$INSTDIR\po-sim-help.txt"
  Delete "$INSTDIR\zelmeld-sim-help.txt"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\ZelPO.lnk"
  Delete "${MENU_FOLDER}\po-sim help (office server simulator).lnk"
  Delete "${MENU_FOLDER}\zelmeld-sim help (ZelMeld simulator).lnk"
  Delete "${MENU_FOLDER}\Uninstall ZelPO.lnk"
  RMDir "${MENU_FOLDER}"
  Delete "${AUTOSTART_LINK}"

  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
