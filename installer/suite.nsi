; The suite's installers (Simplified Chinese). Made by scripts/package.sh:
;   makensis -INPUTCHARSET UTF8 -DSUITE_BUILD=<build folder> -DSUITE_FILES=<files.nsh>
;            -DSUITE_OUTFILE=<setup.exe> [-DSUITE_X86_ANSI] installer/suite.nsi
; SUITE_FILES lists the files of build/dist/ (written by the packaging script),
; so the uninstaller removes exactly what this installer put down.
;
; Two installers come from this script:
;   - the 64-bit one (amd64-unicode): installs the 64-bit programs;
;   - with SUITE_X86_ANSI, the one for every Windows (x86-ansi, so that it
;     also starts on Windows 98/Me): it holds both builds and installs the
;     32-bit programs on a 32-bit Windows, the 64-bit programs on a 64-bit
;     one, with the same folder, uninstall entry (in the 64-bit registry view)
;     and shortcuts as the 64-bit installer. Its files.nsh also defines
;     SUITE_INSTALL_FILES_X86 and SUITE_INSTALLED_KB_X86.
; An ANSI installer holds texts in the code page of their language (GBK for
; Chinese) only when they are language strings: every Chinese text below is
; one, for both installers.
;
; Command line (besides the usual /S and /D=<folder>):
;   Uninstall.exe /S                 silent uninstall; the registry backup store
;                                    (the folders "Reg-Backup*" in the program
;                                    folder) stays
;   Uninstall.exe /S /REMOVEBACKUPS  silent uninstall that removes the backup
;                                    store too (in the window: the component
;                                    "注册表备份", unticked by default)

!ifdef SUITE_X86_ANSI
Target x86-ansi
!else
Unicode true
Target amd64-unicode
!endif
!ifdef SUITE_NSIS_NOCOMPRESS
; Stored as it is: the texts can be read in the file (scripts/package.sh).
SetCompress off
!else
SetCompressor /SOLID lzma
!endif
RequestExecutionLevel admin
ManifestDPIAware true

!include /CHARSET=UTF8 "${SUITE_BUILD}/version.nsh"
!include /CHARSET=UTF8 "${SUITE_FILES}"
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${SUITE_PRODUCT_ID}"
!define UNINSTALLER "Uninstall.exe"
!define MENU_FOLDER "$SMPROGRAMS\$(SUITE_NAME)"
; The single-purpose cleaners end at once without an argument; any argument
; other than "-Auto" opens their window (the main cleaner passes the same).
!define WINDOW_ARGUMENT "/show"

Name "$(SUITE_NAME)"
Caption "$(SUITE_SETUP_CAPTION)"
UninstallCaption "$(SUITE_UNINSTALL_CAPTION)"
BrandingText "${SUITE_COMPANY}"
OutFile "${SUITE_OUTFILE}"
!ifndef SUITE_X86_ANSI
InstallDir "$PROGRAMFILES64\${SUITE_PRODUCT_ID}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
!endif
; (the installer for every Windows chooses its folder in .onInit)
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!define MUI_ICON "${SUITE_ICON}"
!define MUI_UNICON "${SUITE_ICON}"
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_RUN "$INSTDIR\Brisko.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(SUITE_RUN_TEXT)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(SUITE_UN_COMPONENTS_TOP)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

LangString SUITE_NAME ${LANG_SIMPCHINESE} "${SUITE_PRODUCT_NAME}"
LangString SUITE_SETUP_CAPTION ${LANG_SIMPCHINESE} "${SUITE_PRODUCT_NAME} ${SUITE_VERSION} 安装"
LangString SUITE_UNINSTALL_CAPTION ${LANG_SIMPCHINESE} "${SUITE_PRODUCT_NAME} ${SUITE_VERSION} 卸载"
LangString SUITE_RUN_TEXT ${LANG_SIMPCHINESE} "运行一键清理控制台 (Brisko)"
LangString SUITE_UN_COMPONENTS_TOP ${LANG_SIMPCHINESE} "请选择要删除的内容。注册表备份默认保留: 它是以后恢复注册表项的唯一依据。"
LangString SUITE_SECTION_PROGRAM ${LANG_SIMPCHINESE} "程序文件"
LangString SUITE_SECTION_UN_PROGRAM ${LANG_SIMPCHINESE} "程序文件、快捷方式和清理日志"
LangString SUITE_SECTION_UN_BACKUP ${LANG_SIMPCHINESE} "注册表备份 (Reg-Backup)"
LangString SUITE_DESCRIPTION_UN_PROGRAM ${LANG_SIMPCHINESE} "删除安装的程序、设置文件、清理插件、开始菜单快捷方式和各程序的清理日志。"
LangString SUITE_DESCRIPTION_UN_BACKUP ${LANG_SIMPCHINESE} "同时删除注册表备份 (Reg-Backup 文件夹)。删除后将无法再恢复被清理的注册表项。"
LangString SUITE_DETAIL_REMOVE_BACKUP ${LANG_SIMPCHINESE} "删除注册表备份: "
LangString SUITE_UNINSTALL_LINK ${LANG_SIMPCHINESE} "卸载 ${SUITE_PRODUCT_NAME}"
; The Start-menu shortcut of a program: "<program> <what it does>".
!macro SUITE_SHORTCUT_NAME program
  LangString SUITE_SHORTCUT_${program} ${LANG_SIMPCHINESE} "${program} ${SUITE_DESCRIPTION_${program}}"
!macroend
!insertmacro SUITE_SHORTCUT_NAME Brisko
!insertmacro SUITE_SHORTCUT_NAME Dustrel
!insertmacro SUITE_SHORTCUT_NAME Hivemend
!insertmacro SUITE_SHORTCUT_NAME Snipwell
!insertmacro SUITE_SHORTCUT_NAME Marksift
!insertmacro SUITE_SHORTCUT_NAME Patchmoor

VIProductVersion "${SUITE_VERSION_DOTTED}"
VIFileVersion "${SUITE_VERSION_DOTTED}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${SUITE_PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${SUITE_COMPANY}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${SUITE_COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${SUITE_PRODUCT_NAME} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${SUITE_VERSION_DOTTED}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${SUITE_VERSION}"

; A Start-menu shortcut named "<program> <what it does>", so the list sorts
; with the one-click console first.
!macro SUITE_SHORTCUT program arguments
  CreateShortcut "${MENU_FOLDER}\$(SUITE_SHORTCUT_${program}).lnk" \
    "$INSTDIR\${program}.exe" "${arguments}" "$INSTDIR\${program}.exe" 0
!macroend
!macro SUITE_REMOVE_SHORTCUT program
  Delete "${MENU_FOLDER}\$(SUITE_SHORTCUT_${program}).lnk"
!macroend

; A cleaning log and the dry run's log beside it.
!macro SUITE_REMOVE_LOG name
  Delete "$INSTDIR\${name}.log"
  Delete "$INSTDIR\${name}-Preview.log"
!macroend

; The installer for every Windows: on a 64-bit Windows the 64-bit programs,
; their folder and the uninstall entry in the 64-bit registry view, as the
; 64-bit installer has them.
!macro SUITE_REGISTRY_VIEW
!ifdef SUITE_X86_ANSI
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!endif
!macroend

Function .onInit
  SetShellVarContext all
  !insertmacro SUITE_REGISTRY_VIEW
!ifdef SUITE_X86_ANSI
  ; Not given with /D=: where an earlier installation is, else Program Files.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${SUITE_PRODUCT_ID}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${SUITE_PRODUCT_ID}"
    ${EndIf}
  ${EndIf}
!endif
FunctionEnd

Section "$(SUITE_SECTION_PROGRAM)" SecProgram
  SectionIn RO
!ifdef SUITE_X86_ANSI
  ${If} ${RunningX64}
    !insertmacro SUITE_INSTALL_FILES
  ${Else}
    !insertmacro SUITE_INSTALL_FILES_X86
  ${EndIf}
!else
  !insertmacro SUITE_INSTALL_FILES
!endif
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "${MENU_FOLDER}"
  !insertmacro SUITE_SHORTCUT Brisko ""
  !insertmacro SUITE_SHORTCUT Dustrel ""
  !insertmacro SUITE_SHORTCUT Hivemend "${WINDOW_ARGUMENT}"
  !insertmacro SUITE_SHORTCUT Snipwell "${WINDOW_ARGUMENT}"
  !insertmacro SUITE_SHORTCUT Marksift "${WINDOW_ARGUMENT}"
  !insertmacro SUITE_SHORTCUT Patchmoor "${WINDOW_ARGUMENT}"
  CreateShortcut "${MENU_FOLDER}\$(SUITE_UNINSTALL_LINK).lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(SUITE_NAME)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${SUITE_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${SUITE_COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brisko.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
!ifdef SUITE_X86_ANSI
  ${If} ${RunningX64}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SUITE_INSTALLED_KB}
  ${Else}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SUITE_INSTALLED_KB_X86}
  ${EndIf}
!else
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SUITE_INSTALLED_KB}
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.$(SUITE_SECTION_UN_PROGRAM)" SecUnProgram
  SectionIn RO
  !insertmacro SUITE_UNINSTALL_FILES
  ; The cleaning logs the programs write beside themselves (and their dry runs).
  !insertmacro SUITE_REMOVE_LOG Snipwell
  !insertmacro SUITE_REMOVE_LOG Marksift
  !insertmacro SUITE_REMOVE_LOG Dustrel
  !insertmacro SUITE_REMOVE_LOG History
  !insertmacro SUITE_REMOVE_LOG Hivemend
  !insertmacro SUITE_REMOVE_LOG Patchmoor

  !insertmacro SUITE_REMOVE_SHORTCUT Brisko
  !insertmacro SUITE_REMOVE_SHORTCUT Dustrel
  !insertmacro SUITE_REMOVE_SHORTCUT Hivemend
  !insertmacro SUITE_REMOVE_SHORTCUT Snipwell
  !insertmacro SUITE_REMOVE_SHORTCUT Marksift
  !insertmacro SUITE_REMOVE_SHORTCUT Patchmoor
  Delete "${MENU_FOLDER}\$(SUITE_UNINSTALL_LINK).lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\${UNINSTALLER}"
SectionEnd

; The registry backup store: every registry entry the cleaners removed, the
; only way to bring one back. Kept unless the user asks.
Section /o "un.$(SUITE_SECTION_UN_BACKUP)" SecUnBackup
  FindFirst $R0 $R1 "$INSTDIR\Reg-Backup*"
  ${DoWhile} $R1 != ""
    ${If} ${FileExists} "$INSTDIR\$R1\*.*"
      DetailPrint "$(SUITE_DETAIL_REMOVE_BACKUP)$INSTDIR\$R1"
      RMDir /r "$INSTDIR\$R1"
    ${EndIf}
    FindNext $R0 $R1
  ${Loop}
  FindClose $R0
SectionEnd

Section "-un.Folder"
  ; Only an empty folder goes: the backup store or files of the user's own stay.
  RMDir "$INSTDIR"
SectionEnd

; Runs before the sections are shown (and in silent mode).
Function un.onInit
  SetShellVarContext all
  !insertmacro SUITE_REGISTRY_VIEW
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEBACKUPS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnBackup}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "$(SUITE_DESCRIPTION_UN_PROGRAM)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnBackup} "$(SUITE_DESCRIPTION_UN_BACKUP)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
