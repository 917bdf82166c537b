; capture.exe OUTPUT-FILE COMMAND LINE...
; Runs the command line with its standard output and error in OUTPUT-FILE (quoted when it has
; blanks) and ends with its exit code; 255 when it does not start. The installer's build uses it
; for the simulators' help texts, the installer's check for the installed program's --version.
Unicode true
Target amd64-unicode
SilentInstall silent
RequestExecutionLevel user
OutFile "${OUTFILE}"
Name "capture"

!include LogicLib.nsh
!include FileFunc.nsh
!include capture.nsh
!insertmacro ZELPO_CAPTURE_FUNCTION ""

Section
  ${GetParameters} $0
  ; The first word is the output file, the rest the command line.
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $0 $0 "" 1
    StrCpy $2 '"'
  ${Else}
    StrCpy $2 " "
  ${EndIf}
  StrCpy $3 0
  ${Do}
    StrCpy $1 $0 1 $3
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    ${IfThen} $1 == $2 ${|} ${ExitDo} ${|}
    IntOp $3 $3 + 1
  ${Loop}
  StrCpy $4 $0 $3
  IntOp $3 $3 + 1
  StrCpy $5 $0 "" $3
  ; Blanks between the output file and the command.
  ${Do}
    StrCpy $1 $5 1
    ${IfThen} $1 != " " ${|} ${ExitDo} ${|}
    StrCpy $5 $5 "" 1
  ${Loop}
  ${If} $4 == ""
  ${OrIf} $5 == ""
    SetErrorLevel 255
    Quit
  ${EndIf}
  Push $5
  Push $4
  Call CaptureOutput
  Pop $0
  ${If} $0 == error
    SetErrorLevel 255
  ${Else}
    SetErrorLevel $0
  ${EndIf}
SectionEnd
