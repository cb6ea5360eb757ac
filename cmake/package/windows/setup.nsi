; The Windows installer: the application folder that `cmake --install` lays
; out, made into ZEVA-<version>-setup.exe by scripts/windows.d/make-setup.sh,
; which defines:
;   VERSION    the project's version (x.y.z)
;   OUTFILE    the installer to write
;   FILES      an include of the installed files (File lines per folder)
;   UNFILES    an include that deletes exactly those files and their folders
;   HAVE_CLIENT  defined when ZEVAClient.exe is among them (Start-menu entry)
;   FAST       quick compression (tests)
;
; Settings: "Config.dat" and "UserConfig.dat" come as pristine copies in
; "defaults\"; each is copied into place only where the installation has
; none, so a reinstall keeps the customer's. The uninstaller deletes a live
; settings file only when it still has the bytes of its pristine copy.
;
; The programs read "InstallPath" and "Version" under HKLM "SOFTWARE\Pelmo" in
; the 32-bit registry view, so they are written there.

Unicode true
Target amd64-unicode
!ifdef FAST
    SetCompressor zlib
!else
    SetCompressor /SOLID lzma
!endif
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Pelmo"
!define MACHINE_KEY "SOFTWARE\Pelmo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmo"
!define UNINSTALLER "Uninstall.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VI_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The customers' systems are Chinese; English for the rest.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

; SameFile: pops two paths, pushes 1 when both files exist with the same
; bytes, else 0. Settings files are a few kilobytes: byte by byte is enough.
!macro SAME_FILE_FUNCTION prefix
Function ${prefix}SameFile
    Exch $1
    Exch
    Exch $0
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    StrCpy $6 0
    ClearErrors
    FileOpen $2 $0 r
    ${IfNot} ${Errors}
        FileOpen $3 $1 r
        ${IfNot} ${Errors}
            FileSeek $2 0 END $4
            FileSeek $3 0 END $5
            ${If} $4 == $5
                FileSeek $2 0 SET
                FileSeek $3 0 SET
                StrCpy $6 1
                ${Do}
                    ClearErrors
                    FileReadByte $2 $4
                    ${If} ${Errors}
                        ${Break}
                    ${EndIf}
                    FileReadByte $3 $5
                    ${If} ${Errors}
                    ${OrIf} $4 <> $5
                        StrCpy $6 0
                        ${Break}
                    ${EndIf}
                ${Loop}
            ${EndIf}
            FileClose $3
        ${EndIf}
        FileClose $2
    ${EndIf}
    StrCpy $0 $6
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd
!macroend
!insertmacro SAME_FILE_FUNCTION ""
!insertmacro SAME_FILE_FUNCTION "un."

; CloseClient: a running client holds its files: ask its window (class
; "ZEVACLIENT", as the updaters find it) to close and wait up to 10 s.
!macro CLOSE_CLIENT_FUNCTION prefix
Function ${prefix}CloseClient
    Push $0
    Push $1
    StrCpy $1 0
    ${Do}
        FindWindow $0 "ZEVACLIENT"
        ${If} $0 = 0
        ${OrIf} $1 >= 100
            ${Break}
        ${EndIf}
        ${If} $1 = 0
            DetailPrint "closing the running client"
            SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
    ${Loop}
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_CLIENT_FUNCTION ""
!insertmacro CLOSE_CLIENT_FUNCTION "un."

Function .onInit
    SetRegView 64
    ; A reinstall goes where the last installation went, unless /D named a folder.
    ${If} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
        SetRegView 32
        ReadRegStr $0 HKLM "${MACHINE_KEY}" "InstallPath"
        SetRegView 64
        ${If} $0 != ""
            StrCpy $1 $0 "" -1
            ${If} $1 == "\"
                StrCpy $0 $0 -1
            ${EndIf}
            StrCpy $INSTDIR $0
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Install"
    SetShellVarContext all
    Call CloseClient
    ; Over an installation, its own uninstaller goes first (in place, waited
    ; for): files the new release no longer has do not stay behind unlisted,
    ; and settings still as installed take the new defaults.
    ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
        DetailPrint "removing the installed release first"
        ExecWait '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
    ${EndIf}
    SetOverwrite on
    !include "${FILES}"

    ; Settings: into place only where the installation has none yet.
    ${IfNot} ${FileExists} "$INSTDIR\Config.dat"
        CopyFiles /SILENT "$INSTDIR\defaults\Config.dat" "$INSTDIR\Config.dat"
    ${EndIf}
    ${IfNot} ${FileExists} "$INSTDIR\UserConfig.dat"
        CopyFiles /SILENT "$INSTDIR\defaults\UserConfig.dat" "$INSTDIR\UserConfig.dat"
    ${EndIf}

    SetRegView 32
    WriteRegStr HKLM "${MACHINE_KEY}" "InstallPath" "$INSTDIR\"
    WriteRegStr HKLM "${MACHINE_KEY}" "Version" "${VERSION}"

    !ifdef HAVE_CLIENT
        CreateDirectory "$SMPROGRAMS\${PRODUCT}"
        CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\ZEVAClient.exe" "" \
            "$INSTDIR\ZEVAClient.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"
    !endif

    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    SetRegView 64
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    !ifdef HAVE_CLIENT
        WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZEVAClient.exe"
    !endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; A live settings file goes only while it still equals its pristine copy:
; one the customer (or an updater) changed stays behind.
!macro REMOVE_UNCHANGED_SETTINGS name
    Push "$INSTDIR\${name}"
    Push "$INSTDIR\defaults\${name}"
    Call un.SameFile
    Pop $0
    ${If} $0 == 1
        Delete "$INSTDIR\${name}"
    ${Else}
        DetailPrint "kept $INSTDIR\${name}"
    ${EndIf}
!macroend

Section "Uninstall"
    SetShellVarContext all
    Call un.CloseClient
    !insertmacro REMOVE_UNCHANGED_SETTINGS "Config.dat"
    !insertmacro REMOVE_UNCHANGED_SETTINGS "UserConfig.dat"
    !include "${UNFILES}"

    !ifdef HAVE_CLIENT
        Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
        RMDir "$SMPROGRAMS\${PRODUCT}"
    !endif

    ; Only our two values: other programs' values under the key stay, and
    ; the key goes only when nothing else is left in it.
    SetRegView 32
    DeleteRegValue HKLM "${MACHINE_KEY}" "InstallPath"
    DeleteRegValue HKLM "${MACHINE_KEY}" "Version"
    DeleteRegKey /ifempty HKLM "${MACHINE_KEY}"
    SetRegView 64
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    Delete "$INSTDIR\${UNINSTALLER}"
    ; Not recursive: settings kept and files the programs wrote stay.
    RMDir "$INSTDIR"
SectionEnd
