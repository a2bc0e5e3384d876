' Decodes one sheet with the mark grid component and draws its marks:
' one text row per sheet line, # for a mark and . for none.
'
'   tshost run examples/scripts/sheet_picture.vbs
'
' Each character of the scanner data carries six bubbles of a line; the
' pairs run from the last sheet line to the first.
Set g = CreateObject("TsScannerLib.TsScannerData")
g.InitFromScannerData "A`@p@Ox@F@A@", 12
WScript.Echo "Sheet of", g.LineCount, "lines and", g.ColCount, "columns:"

row = g.Value(1, 1) & "," & g.Value(1, 2) & "," & g.Value(1, 3) & "," & g.Value(1, 4) & "," & g.Value(1, 5) & "," & g.Value(1, 6) & "," & g.Value(1, 7) & "," & g.Value(1, 8) & "," & g.Value(1, 9) & "," & g.Value(1, 10) & "," & g.Value(1, 11) & "," & g.Value(1, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(2, 1) & "," & g.Value(2, 2) & "," & g.Value(2, 3) & "," & g.Value(2, 4) & "," & g.Value(2, 5) & "," & g.Value(2, 6) & "," & g.Value(2, 7) & "," & g.Value(2, 8) & "," & g.Value(2, 9) & "," & g.Value(2, 10) & "," & g.Value(2, 11) & "," & g.Value(2, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(3, 1) & "," & g.Value(3, 2) & "," & g.Value(3, 3) & "," & g.Value(3, 4) & "," & g.Value(3, 5) & "," & g.Value(3, 6) & "," & g.Value(3, 7) & "," & g.Value(3, 8) & "," & g.Value(3, 9) & "," & g.Value(3, 10) & "," & g.Value(3, 11) & "," & g.Value(3, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(4, 1) & "," & g.Value(4, 2) & "," & g.Value(4, 3) & "," & g.Value(4, 4) & "," & g.Value(4, 5) & "," & g.Value(4, 6) & "," & g.Value(4, 7) & "," & g.Value(4, 8) & "," & g.Value(4, 9) & "," & g.Value(4, 10) & "," & g.Value(4, 11) & "," & g.Value(4, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(5, 1) & "," & g.Value(5, 2) & "," & g.Value(5, 3) & "," & g.Value(5, 4) & "," & g.Value(5, 5) & "," & g.Value(5, 6) & "," & g.Value(5, 7) & "," & g.Value(5, 8) & "," & g.Value(5, 9) & "," & g.Value(5, 10) & "," & g.Value(5, 11) & "," & g.Value(5, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(6, 1) & "," & g.Value(6, 2) & "," & g.Value(6, 3) & "," & g.Value(6, 4) & "," & g.Value(6, 5) & "," & g.Value(6, 6) & "," & g.Value(6, 7) & "," & g.Value(6, 8) & "," & g.Value(6, 9) & "," & g.Value(6, 10) & "," & g.Value(6, 11) & "," & g.Value(6, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")

' Turned upside down, the same marks:
g.Flip
row = g.Value(1, 1) & "," & g.Value(1, 2) & "," & g.Value(1, 3) & "," & g.Value(1, 4) & "," & g.Value(1, 5) & "," & g.Value(1, 6) & "," & g.Value(1, 7) & "," & g.Value(1, 8) & "," & g.Value(1, 9) & "," & g.Value(1, 10) & "," & g.Value(1, 11) & "," & g.Value(1, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(2, 1) & "," & g.Value(2, 2) & "," & g.Value(2, 3) & "," & g.Value(2, 4) & "," & g.Value(2, 5) & "," & g.Value(2, 6) & "," & g.Value(2, 7) & "," & g.Value(2, 8) & "," & g.Value(2, 9) & "," & g.Value(2, 10) & "," & g.Value(2, 11) & "," & g.Value(2, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(3, 1) & "," & g.Value(3, 2) & "," & g.Value(3, 3) & "," & g.Value(3, 4) & "," & g.Value(3, 5) & "," & g.Value(3, 6) & "," & g.Value(3, 7) & "," & g.Value(3, 8) & "," & g.Value(3, 9) & "," & g.Value(3, 10) & "," & g.Value(3, 11) & "," & g.Value(3, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(4, 1) & "," & g.Value(4, 2) & "," & g.Value(4, 3) & "," & g.Value(4, 4) & "," & g.Value(4, 5) & "," & g.Value(4, 6) & "," & g.Value(4, 7) & "," & g.Value(4, 8) & "," & g.Value(4, 9) & "," & g.Value(4, 10) & "," & g.Value(4, 11) & "," & g.Value(4, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(5, 1) & "," & g.Value(5, 2) & "," & g.Value(5, 3) & "," & g.Value(5, 4) & "," & g.Value(5, 5) & "," & g.Value(5, 6) & "," & g.Value(5, 7) & "," & g.Value(5, 8) & "," & g.Value(5, 9) & "," & g.Value(5, 10) & "," & g.Value(5, 11) & "," & g.Value(5, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
row = g.Value(6, 1) & "," & g.Value(6, 2) & "," & g.Value(6, 3) & "," & g.Value(6, 4) & "," & g.Value(6, 5) & "," & g.Value(6, 6) & "," & g.Value(6, 7) & "," & g.Value(6, 8) & "," & g.Value(6, 9) & "," & g.Value(6, 10) & "," & g.Value(6, 11) & "," & g.Value(6, 12)
WScript.Echo Replace(Replace(Replace(row, "True", "#"), "False", "."), ",", "")
