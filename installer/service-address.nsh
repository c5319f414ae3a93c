; The page "Your allegiance's web service" and what it does with the answer: the address is
; checked to be an http or https address and written into the "url" of the "server" elements
; of Ostravel.xml, line by line, so that everything else in the file stays as it was. An empty
; answer leaves the file alone (a new one keeps the starter's example address, which the
; plug-in takes for "not set").

!define PLACEHOLDER_URL "http://www.example.com/ostravel/"

Var ServiceUrl    ; the answer: from /URL=, the existing file, or the page
Var ServerFound   ; 1 when Ostravel.xml has a line with a "server" element's url
Var UrlField

; /URL= from the command line, checked before anything is installed. Not through GetOptions,
; which ends an option's value at the next "/" and so would keep "https:" of an address.
Function .onInit
  ${GetParameters} $R0
  ${StrLoc} $R2 $R0 "/URL=" ">"
  ${If} $R2 != ""
    IntOp $R2 $R2 + 5
    StrCpy $R1 $R0 "" $R2
    ; The value ends where the next option starts, or at the end.
    ${StrLoc} $R3 $R1 " /" ">"
    ${If} $R3 != ""
      StrCpy $R1 $R1 $R3
    ${EndIf}
    ${Do}
      StrCpy $R3 $R1 1 -1
      ${If} $R3 != " "
      ${AndIf} $R3 != '"'
        ${Break}
      ${EndIf}
      StrCpy $R1 $R1 -1
    ${Loop}
    StrCpy $ServiceUrl $R1
    Call CheckServiceUrl
    ${If} $R9 != ""
      MessageBox MB_ICONSTOP "$R9" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

; $R9 = "" when $ServiceUrl is empty or an http or https address with a host and nothing that
; would break the XML attribute; otherwise what is wrong with it.
Function CheckServiceUrl
  StrCpy $R9 ""
  ${If} $ServiceUrl == ""
    Return
  ${EndIf}
  StrCpy $R1 $ServiceUrl 7
  StrCpy $R2 $ServiceUrl 8
  ${If} $R1 == "http://"
    StrCpy $R3 7
  ${ElseIf} $R2 == "https://"
    StrCpy $R3 8
  ${Else}
    StrCpy $R9 "The address must start with http:// or https:// (for example https://ostravel.example.org/), not $\"$ServiceUrl$\"."
    Return
  ${EndIf}
  StrCpy $R1 $ServiceUrl 1 $R3
  ${If} $R1 == ""
  ${OrIf} $R1 == "/"
    StrCpy $R9 "The address $\"$ServiceUrl$\" names no host."
    Return
  ${EndIf}
  StrLen $R4 $ServiceUrl
  StrCpy $R5 0
  ${DoWhile} $R5 < $R4
    StrCpy $R1 $ServiceUrl 1 $R5
    ${If} $R1 == " "
    ${OrIf} $R1 == "$\t"
    ${OrIf} $R1 == '"'
    ${OrIf} $R1 == "'"
    ${OrIf} $R1 == "<"
    ${OrIf} $R1 == ">"
    ${OrIf} $R1 == "&"
      StrCpy $R9 "The address $\"$ServiceUrl$\" holds a space or one of $\" ' < > &, which no address of the web service has."
      Return
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${Loop}
FunctionEnd

; $R0 = the url of the last "server" element in $INSTDIR\Ostravel.xml ("" for none), and
; $ServerFound = 1 when there is one.
Function ReadServiceUrl
  StrCpy $R0 ""
  StrCpy $ServerFound 0
  ClearErrors
  FileOpen $R5 "$INSTDIR\Ostravel.xml" r
  ${If} ${Errors}
    Return
  ${EndIf}
  ${Do}
    ClearErrors
    FileRead $R5 $R6
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    Call UrlInLine
    ${If} $R2 != ""
      StrCpy $ServerFound 1
      StrCpy $R0 $R6 $R3 $R2
    ${EndIf}
  ${Loop}
  FileClose $R5
FunctionEnd

; In the line $R6: $R2 = where the value of a "server" element's url starts ("" for no such
; line) and $R3 = its length.
Function UrlInLine
  StrCpy $R2 ""
  ${StrLoc} $R8 $R6 "<server " ">"
  ${If} $R8 == ""
    Return
  ${EndIf}
  StrCpy $R1 $R6 "" $R8
  ${StrLoc} $R7 $R1 'url="' ">"
  ${If} $R7 == ""
    Return
  ${EndIf}
  IntOp $R7 $R7 + 5
  StrCpy $R1 $R1 "" $R7
  ${StrLoc} $R3 $R1 '"' ">"
  ${If} $R3 == ""
    Return
  ${EndIf}
  IntOp $R2 $R8 + $R7
FunctionEnd

Function ServicePage
  ${If} $ServiceUrl == ""
    Call ReadServiceUrl
    ${If} $R0 != "${PLACEHOLDER_URL}"
      StrCpy $ServiceUrl $R0
    ${EndIf}
  ${EndIf}
  nsDialogs::Create 1018
  Pop $R0
  ${If} $R0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 48u "Your allegiance's web service$\r$\n$\r$\nThe plug-in gets the allegiance's lists from its web service. Paste its address here: your allegiance's members' page shows it under $\"Get Ostravel$\". Left empty, Ostravel.xml keeps its example address and the plug-in reminds you at login."
  Pop $R0
  ${NSD_CreateText} 0 56u 100% 12u "$ServiceUrl"
  Pop $UrlField
  nsDialogs::Show
FunctionEnd

Function ServicePageLeave
  ${NSD_GetText} $UrlField $ServiceUrl
  Call CheckServiceUrl
  ${If} $R9 != ""
    MessageBox MB_ICONEXCLAMATION "$R9"
    Abort
  ${EndIf}
FunctionEnd

; Writes $ServiceUrl into Ostravel.xml: the url of every "server" element (the plug-in reads
; the last), or a new element before the root's end when there is none.
Function WriteServiceUrl
  ${If} $ServiceUrl == ""
    Return
  ${EndIf}
  Call ReadServiceUrl
  ClearErrors
  FileOpen $R5 "$INSTDIR\Ostravel.xml" r
  ${If} ${Errors}
    DetailPrint "Ostravel.xml could not be read: put the address into it by hand."
    Return
  ${EndIf}
  FileOpen $R4 "$INSTDIR\Ostravel.xml.new" w
  ${If} ${Errors}
    FileClose $R5
    DetailPrint "Ostravel.xml could not be changed: put the address into it by hand."
    Return
  ${EndIf}
  ${Do}
    ClearErrors
    FileRead $R5 $R6
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    Call UrlInLine
    ${If} $R2 != ""
      StrCpy $R1 $R6 $R2
      IntOp $R3 $R2 + $R3
      StrCpy $R7 $R6 "" $R3
      StrCpy $R6 "$R1$ServiceUrl$R7"
    ${ElseIf} $ServerFound == 0
      ${StrLoc} $R7 $R6 "</ostravel>" ">"
      ${If} $R7 != ""
        FileWrite $R4 '  <server url="$ServiceUrl"/>$\r$\n'
        StrCpy $ServerFound 1
      ${EndIf}
    ${EndIf}
    FileWrite $R4 $R6
  ${Loop}
  FileClose $R5
  FileClose $R4
  Delete "$INSTDIR\Ostravel.xml"
  Rename "$INSTDIR\Ostravel.xml.new" "$INSTDIR\Ostravel.xml"
  DetailPrint "The allegiance's web service: $ServiceUrl"
FunctionEnd
