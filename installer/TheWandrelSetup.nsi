; TheWandrelSetup.exe: installs, upgrades and uninstalls TheWandrel.
;
; Built by the normal build (makensis) from the client and library that build made:
;   makensis -DCLIENT=... -DLIBRARY=... -DVERSION=... -DOUTFILE=... TheWandrelSetup.nsi
;
; Command line: /S runs silently; /LANG=1033 or /LANG=1036 picks the language without the
; choice (the silent default is the language of the installation it upgrades, else English);
; /D=folder picks the folder. The uninstaller's /REMOVEDATA also removes the user's data.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!ifndef CLIENT | LIBRARY | VERSION | OUTFILE
  !error "CLIENT, LIBRARY, VERSION and OUTFILE must be defined"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"
!include "x64.nsh"

!define PRODUCT "TheWandrel"
!define PUBLISHER "The Trekhold project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TheWandrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define CLIENT_CLASS "TheWandrelClient"
!define FIRST_RUN_CLASS "TheWandrelInstaller"
!define STAGING "~setup"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\TheWandrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../resources/icons/mouse1.ico"
!define MUI_UNICON "${__FILEDIR__}/../resources/icons/mouse1.ico"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "NSIS:Language"
!define MUI_LANGDLL_ALWAYSSHOW
!define MUI_LANGDLL_WINDOWTITLE "TheWandrel Setup"
!define MUI_LANGDLL_INFO "Please select a language. / Veuillez choisir une langue."

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\TheWandrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunClient)"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"

LangString RunClient 1033 "Start TheWandrel"
LangString RunClient 1036 "Lancer TheWandrel"
LangString ClientStillRunning 1033 "TheWandrel is still running and could not be closed.$\r$\nClose it from its menu (Exit), then choose Retry."
LangString ClientStillRunning 1036 "TheWandrel est toujours en cours d'exécution et n'a pas pu être fermé.$\r$\nFermez-le depuis son menu (Quitter), puis choisissez Réessayer."
LangString ReplaceFailed 1033 "The program files could not be replaced. The previous version was kept."
LangString ReplaceFailed 1036 "Les fichiers du programme n'ont pas pu être remplacés. La version précédente a été conservée."
LangString ExtractFailed 1033 "The new files could not be written to the program folder. Nothing was changed."
LangString ExtractFailed 1036 "Les nouveaux fichiers n'ont pas pu être écrits dans le dossier du programme. Rien n'a été modifié."
LangString ShortcutName 1033 "TheWandrel"
LangString ShortcutName 1036 "TheWandrel"
LangString ProgramSection 1033 "Program files and shortcut"
LangString ProgramSection 1036 "Fichiers du programme et raccourci"
LangString DataSection 1033 "Also remove my counts, account and settings"
LangString DataSection 1036 "Supprimer aussi mes compteurs, mon compte et mes réglages"

Var ChosenLanguage

; Asks a running client to quit as its menu's Exit does (its main window receives WM_CLOSE:
; the counts are saved, the icon removed) and waits until its process has let go of the
; program file. Sets the error flag when the client is still there after the wait.
!macro CloseRunningClient un
Function ${un}CloseRunningClient
  Push $0
  Push $1
  Push $2
  retry:
  ClearErrors
  StrCpy $1 0
  wait:
  FindWindow $0 "${CLIENT_CLASS}" ""
  ${If} $0 = 0
    ; A client still in its first-run installer window ends when that window closes.
    FindWindow $0 "${FIRST_RUN_CLASS}" ""
  ${EndIf}
  ${If} $0 <> 0
    ; Asked again every two seconds, in case the window was busy.
    IntOp $2 $1 % 20
    ${If} $2 = 0
      System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ${EndIf}
  ${ElseIfNot} ${FileExists} "$INSTDIR\TheWandrel.exe"
    Goto done
  ${Else}
    ; The window is gone; the process may still hold its file for a moment.
    ClearErrors
    FileOpen $0 "$INSTDIR\TheWandrel.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      Goto done
    ${EndIf}
  ${EndIf}
  IntOp $1 $1 + 1
  ; A sending in progress finishes before the client quits: up to 40 seconds.
  ${If} $1 < 400
    Sleep 100
    Goto wait
  ${EndIf}
  ${If} ${Silent}
    SetErrors
    Goto done
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ClientStillRunning)" /SD IDCANCEL IDRETRY retry
  SetErrors
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CloseRunningClient ""
!insertmacro CloseRunningClient "un."

Function .onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LANG=" $1
  ${If} ${Errors}
    !insertmacro MUI_LANGDLL_DISPLAY
  ${Else}
    StrCpy $LANGUAGE $1
  ${EndIf}
  ${If} $LANGUAGE != 1036
    StrCpy $LANGUAGE 1033
  ${EndIf}
  StrCpy $ChosenLanguage $LANGUAGE
FunctionEnd

; Puts the staged file $R0 in place of the installed one, keeping the old one as $R0.old.
; When it cannot, $R9 is set to 1 and the installed file is as it was.
Function SwapInFile
  Delete "$INSTDIR\$R0.old"
  ${If} ${FileExists} "$INSTDIR\$R0.old"
    StrCpy $R9 1
    Return
  ${EndIf}
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\$R0"
    Rename "$INSTDIR\$R0" "$INSTDIR\$R0.old"
    ${If} ${Errors}
      StrCpy $R9 1
      Return
    ${EndIf}
  ${EndIf}
  Rename "$INSTDIR\${STAGING}\$R0" "$INSTDIR\$R0"
  ${If} ${Errors}
    Rename "$INSTDIR\$R0.old" "$INSTDIR\$R0"
    StrCpy $R9 1
  ${EndIf}
FunctionEnd

; Undoes a SwapInFile of $R0 that succeeded: the old file goes back where it was (a file
; that was not there before goes).
Function RestoreFile
  Delete "$INSTDIR\$R0"
  ${If} ${FileExists} "$INSTDIR\$R0.old"
    Rename "$INSTDIR\$R0.old" "$INSTDIR\$R0"
  ${EndIf}
FunctionEnd

Section "-Program"
  SetRegView 64
  SetShellVarContext all
  Call CloseRunningClient
  ${If} ${Errors}
    SetErrorLevel 3
    Abort "$(ClientStillRunning)"
  ${EndIf}

  ; The new files go to a staging folder first: a failure there leaves the installed
  ; program as it was.
  RMDir /r "$INSTDIR\${STAGING}"
  SetOutPath "$INSTDIR\${STAGING}"
  ClearErrors
  File "/oname=TheWandrel.exe" "${CLIENT}"
  File "/oname=zeptal.dll" "${LIBRARY}"
  WriteUninstaller "$INSTDIR\${STAGING}\uninstall.exe"
  ${If} ${Errors}
    SetOutPath "$INSTDIR"
    RMDir /r "$INSTDIR\${STAGING}"
    SetErrorLevel 4
    Abort "$(ExtractFailed)"
  ${EndIf}

  ; Then each installed file is swapped for its new version; when one swap fails, every
  ; file already swapped goes back, so the folder holds either version whole.
  SetOutPath "$INSTDIR"
  StrCpy $R9 0
  StrCpy $R0 "zeptal.dll"
  Call SwapInFile
  ${If} $R9 = 0
    StrCpy $R0 "TheWandrel.exe"
    Call SwapInFile
    ${If} $R9 = 0
      StrCpy $R0 "uninstall.exe"
      Call SwapInFile
      ${If} $R9 <> 0
        StrCpy $R0 "TheWandrel.exe"
        Call RestoreFile
      ${EndIf}
    ${EndIf}
    ${If} $R9 <> 0
      StrCpy $R0 "zeptal.dll"
      Call RestoreFile
    ${EndIf}
  ${EndIf}
  ${If} $R9 <> 0
    RMDir /r "$INSTDIR\${STAGING}"
    SetErrorLevel 5
    Abort "$(ReplaceFailed)"
  ${EndIf}
  Delete "$INSTDIR\zeptal.dll.old"
  Delete "$INSTDIR\TheWandrel.exe.old"
  Delete "$INSTDIR\uninstall.exe.old"
  RMDir /r "$INSTDIR\${STAGING}"

  CreateShortCut "$SMPROGRAMS\$(ShortcutName).lnk" "$INSTDIR\TheWandrel.exe" "" "$INSTDIR\TheWandrel.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "NSIS:Language" "$ChosenLanguage"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\TheWandrel.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd


Section "-un.Program"
  SetRegView 64
  SetShellVarContext all
  Call un.CloseRunningClient
  ${If} ${Errors}
    SetErrorLevel 3
    Abort "$(ClientStillRunning)"
  ${EndIf}
  Delete "$INSTDIR\TheWandrel.exe"
  Delete "$INSTDIR\zeptal.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\TheWandrel.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The start-up entry the client's first run wrote for this user.
  DeleteRegValue HKCU "${RUN_KEY}" "TheWandrel"
SectionEnd

; Not ticked unless the user ticks it: the counts not yet sent, the account key, the
; password, the log and the settings stay for a later installation.
Section /o "un.$(DataSection)" UnData
  SetShellVarContext current
  RMDir /r "$LOCALAPPDATA\TheWandrel"
  DeleteRegKey HKCU "Software\WDX"
SectionEnd

Function un.onInit
  SetRegView 64
  ReadRegStr $LANGUAGE HKLM "${UNINSTALL_KEY}" "NSIS:Language"
  ${If} $LANGUAGE != 1036
    StrCpy $LANGUAGE 1033
  ${EndIf}
  ; /REMOVEDATA ticks the box, for a silent uninstallation.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnData}
  ${EndIf}
FunctionEnd
