' Decodes one sheet of scanner data with the mark grid component and reads
' single marks back.
'
'   tshost regsvr <build>/scanner/libTsScannerLib.so     (once)
'   tshost run examples/scripts/markgrid.vbs
'
' The four characters "@AB@" are two sheet lines of 12 columns each: line 1
' has a mark in column 2, line 2 one in column 7.
Set g = CreateObject("TsScannerLib.TsScannerData")
g.InitFromScannerData "@AB@", 12
WScript.Echo "Lines:", g.LineCount, " Columns:", g.ColCount
WScript.Echo "(1,2):", g.Value(1, 2), " (2,7):", g.Value(2, 7), " (1,1):", g.Value(1, 1)

' Cells count from 1: reading cell (0, 0) fails, and the component says why.
On Error Resume Next
x = g.Value(0, 0)
WScript.Echo "Error 0x" & Hex(Err.Number) & " from " & Err.Source & ": " & Err.Description
On Error GoTo 0

' Flip turns the sheet upside down: the marks move to (2, 2) and (1, 7).
g.Flip
WScript.Echo "After Flip (2,2):", g.Value(2, 2), " (1,7):", g.Value(1, 7)

' Marks can be corrected by hand.
g.Value(1, 1) = True
WScript.Echo "(1,1) now:", g.Value(1, 1)
