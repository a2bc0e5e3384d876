' A tour of the script language that tshost runs (a subset of VBScript).
'
'   tshost run examples/scripts/language.vbs
'
' Needs no registered module.
Option Explicit
Dim count, name, ratio

count = 3 * (2 + 5)                ' Integer arithmetic: 21
ratio = count / 4                  ' / always gives a Double: 5.25
name = "Quiz " & count             ' & joins texts (and numbers as texts)
WScript.Echo name, ratio, count \ 4, count Mod 4, 2 ^ 10

' Booleans print as True and False; Empty as nothing at all.
WScript.Echo count > 20, Not (count > 20), Empty, Null

' Literals: hexadecimal, reals with exponents, quotes doubled inside strings.
WScript.Echo &HFF, 1.5E3, "say ""cheese"""

' A long statement may go on over several lines with " _".
WScript.Echo "Line one" & vbCrLf & _
             "Line two", Len(vbCrLf)

' Built-in functions.
WScript.Echo Hex(-2147352567), Chr(65) & Chr(66), Replace("a-b-c", "-", "+"), UCase(name)

' Errors: under On Error Resume Next a failing statement is skipped and
' Err describes what went wrong; On Error GoTo 0 makes errors fatal again.
On Error Resume Next
count = 1 / 0
WScript.Echo "Error", Err.Number, Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "Still", count
