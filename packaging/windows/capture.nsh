; Runs a console program with its standard output and error going to a file, and gives back its
; exit code. A Qt console program started without a console and without standard handles shows
; its --help and --version in a message box (and under a headless Wine nowhere), so the handles
; are handed over the way a command prompt's redirection does. nsExec cannot take the place of
; this: it keeps only the first 1024 characters.
;   Push "COMMAND LINE"
;   Push "OUTPUT FILE"
;   Call CaptureOutput        (Call un.CaptureOutput in the uninstaller)
;   Pop $0                    ; the exit code, or "error" when the program did not start
!ifndef ZELPO_CAPTURE_NSH
!define ZELPO_CAPTURE_NSH

!macro ZELPO_CAPTURE_FUNCTION UN
Function ${UN}CaptureOutput
  Exch $1 ; output file
  Exch
  Exch $0 ; command line
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7

  ; GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL
  System::Call 'kernel32::CreateFileW(w r1, i 0x40000000, i 1, p 0, i 2, i 0x80, p 0) p .r2'
  ${If} $2 = -1
    StrCpy $7 error
    Goto done
  ${EndIf}
  ; The child inherits the file as its standard output and error (HANDLE_FLAG_INHERIT).
  System::Call 'kernel32::SetHandleInformation(p r2, i 1, i 1)'
  ; STARTUPINFOW of a 64-bit process, its padding written out: STARTF_USESTDHANDLES and
  ; STARTF_USESHOWWINDOW with SW_HIDE, no standard input.
  System::Call '*(i 104, i 0, p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0x101, &i2 0, &i2 0, i 0, p 0, p 0, p r2, p r2) p .r3'
  System::Call '*(p 0, p 0, i 0, i 0) p .r4' ; PROCESS_INFORMATION
  ; Inherit handles; CREATE_NO_WINDOW, so no console flashes up.
  System::Call 'kernel32::CreateProcessW(p 0, w r0, p 0, p 0, i 1, i 0x08000000, p 0, p 0, p r3, p r4) i .r5'
  System::Call 'kernel32::CloseHandle(p r2)'
  ${If} $5 = 0
    StrCpy $7 error
  ${Else}
    System::Call '*$4(p .r5, p .r6)'
    System::Call 'kernel32::WaitForSingleObject(p r5, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r5, *i .r7)'
    System::Call 'kernel32::CloseHandle(p r5)'
    System::Call 'kernel32::CloseHandle(p r6)'
  ${EndIf}
  System::Free $3
  System::Free $4

done:
  StrCpy $0 $7
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  ; The stack holds the caller's $1 and $0: both restored, the exit code left on top.
  Exch $0
  Exch
  Pop $1
FunctionEnd
!macroend

!endif
