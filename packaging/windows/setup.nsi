; The Windows installer of りろ日記: per user, without administrator rights, in Japanese.
; Built by scripts/windows-zip.sh with makensis, which defines
;   VERSION    the program's version (project() of CMakeLists.txt)
;   STAGE      the folder of the portable zip's files (varadadid.exe, its DLLs, licenses\ ...)
;   FILES      an include file that installs STAGE's files and one that removes exactly them:
;              FILES/install.nsh and FILES/uninstall.nsh, and the marker varadadid-installed.txt
;   PUBLISHER  the name the apps list shows as the publisher
;   PACKAGING  this folder (the icon)
;   OUTFILE    the installer to write
;
; What it does (and the uninstaller undoes, but for the settings unless asked):
;   %LOCALAPPDATA%\Programs\varadadid   the program, its marker varadadid-installed.txt (so that
;                                       the program keeps its settings in %APPDATA%) and
;                                       uninstall.exe
;   Start menu\Programs\りろ日記.lnk      the shortcut
;   HKCU\...\Run "varadadid"            the start at logon, when chosen (checked by default)
;   HKCU\...\Uninstall\varadadid        the entry of 設定 → アプリ
; The settings, %APPDATA%\varadadid\rilo.ini, are the program's and outlive it.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define PRODUCT "varadadid"
!define TITLE "りろ日記"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define EXE "$INSTDIR\varadadid.exe"
!define SHORTCUT "$SMPROGRAMS\${TITLE}.lnk"

Name "${TITLE} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the installed copy is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${TITLE} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${TITLE}"
VIAddVersionKey /LANG=0 "FileDescription" "${TITLE} ${VERSION} セットアップ"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${PACKAGING}/varadadid.ico"
!define MUI_UNICON "${PACKAGING}/varadadid.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "${TITLE} ${VERSION} のセットアップ"
!define MUI_WELCOMEPAGE_TEXT "${TITLE} ${VERSION} をこのコンピューターにインストールします。$\r$\n$\r$\n\
    あなた専用のフォルダーに入れるので、管理者の権限は要りません。\
    りろ日記が動いているときは、表示位置を保存して終了させてから入れ替えます。$\r$\n$\r$\n\
    設定 (出産予定日と表示位置) はそのまま引き継がれます。$\r$\n$\r$\n\
    「次へ」をクリックして続けてください。"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\varadadid.exe"
!define MUI_FINISHPAGE_RUN_TEXT "りろ日記を起動する"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Var wasRunning ; 1 when the installer ended a running gadget, which it then starts again

; Asks the gadget of $INSTDIR, if it runs, to end as its menu's 終了 does (its place is stored),
; and waits for it. Sets $0: 0 it ended, 3 none ran, 1 it did not end; any other code comes
; from a program that knows no --quit, which is taken as none running.
!macro EndRunningGadget
    StrCpy $0 3
    ${If} ${FileExists} "${EXE}"
        ${Do}
            ExecWait '"${EXE}" --quit' $0
            ${If} $0 != 1
                ${Break}
            ${EndIf}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
                "りろ日記が終了しませんでした。りろ日記を終了してから「再試行」を押してください。" \
                /SD IDCANCEL IDRETRY +2
            Abort "りろ日記が終了しなかったため、中止しました。"
        ${Loop}
    ${EndIf}
!macroend

Section "りろ日記 (必須)" SecProgram
    SectionIn RO
    SetShellVarContext current
    !insertmacro EndRunningGadget
    ${If} $0 == 0
        StrCpy $wasRunning 1
    ${EndIf}
    ; An older copy is removed by its own uninstaller first, so that no file it had and this
    ; version has not stays behind. It keeps the settings, as /S does.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
        Delete "$INSTDIR\uninstall.exe"
    ${EndIf}

    SetOutPath "$INSTDIR"
    !include "${FILES}/install.nsh"
    SetOutPath "$INSTDIR"
    File "${FILES}/varadadid-installed.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "${SHORTCUT}" "${EXE}" "" "${EXE}" 0 SW_SHOWNORMAL "" "${TITLE}"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "${EXE},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

; The start at logon is the user's Run value rather than a shortcut in the Startup folder: it is
; one value to write and remove, which Windows' startup-apps list and the Task Manager show and
; switch off like a shortcut, and it cannot be left behind in a Startup folder that was moved or
; redirected.
Section "Windows の起動時にりろ日記を起動する" SecLogon
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"${EXE}"'
SectionEnd

Section "-after"
    ${IfNot} ${SectionIsSelected} ${SecLogon}
        DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
    ; A silent upgrade starts the gadget it ended; an installer with pages offers it on its
    ; last page.
    ${If} ${Silent}
    ${AndIf} $wasRunning == 1
        Exec '"${EXE}"'
    ${EndIf}
SectionEnd

Function .onInit
    SetShellVarContext current
    ; An upgrade keeps the logon choice of the installed copy.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        ReadRegStr $1 HKCU "${RUN_KEY}" "${PRODUCT}"
        ${If} $1 == ""
            !insertmacro UnselectSection ${SecLogon}
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    !insertmacro EndRunningGadget
    !include "${FILES}/uninstall.nsh"
    Delete "$INSTDIR\varadadid-installed.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; The settings are hers: kept unless she says otherwise (and always with /S).
    ${If} ${FileExists} "$APPDATA\${PRODUCT}\rilo.ini"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "設定 (出産予定日と表示位置) も削除しますか?$\n$\n「いいえ」を選ぶと設定は残り、もう一度インストールしたときにそのまま使われます。$\n($APPDATA\${PRODUCT}\rilo.ini)" \
            /SD IDNO IDNO keep
        Delete "$APPDATA\${PRODUCT}\rilo.ini"
        RMDir "$APPDATA\${PRODUCT}"
        keep:
    ${EndIf}
    SetAutoClose true
SectionEnd
