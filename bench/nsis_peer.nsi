; The benchmark's peer: a one-program NSIS 3 installer doing this setup's
; job for the example Palm Desktop's first user (bench/bench.sh builds it
; with makensis for each application size and times it beside setup.exe).
;   makensis -DPAYLOAD=APP.prc -DLICENSE=AGREEMENT.txt -DOUTFILE=PEER.exe nsis_peer.nsi
; Licence page, the application copied into the user's install folder
; below the Palm Desktop folder that the registry names, the user's
; HotSync install flag set, a closing message. Stored, not compressed, as
; setup.exe carries its application; NSIS's own check of its file (its
; CRC) is kept, as setup.exe keeps its checks.
Unicode false
Name "Kelvane"
Caption "Kelvane NSIS peer"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompress off
AutoCloseWindow true
ShowInstDetails nevershow
LicenseData "${LICENSE}"

Page license
Page instfiles

Function .onInit
    ReadRegStr $0 HKCU "Software\Palm Computing\Pilot Desktop\Core" "Path"
    StrCpy $INSTDIR "$0\SmithA\install"
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File "/oname=kelv.prc" "${PAYLOAD}"
    WriteRegDWORD HKCU "Software\Palm Computing\Pilot Desktop\HotSync Manager" "Install1" 1
    MessageBox MB_OK "During next HotSync for user Ann Smith the Amber$\nversion of Kelvane will be installed on the PalmPilot."
SectionEnd
