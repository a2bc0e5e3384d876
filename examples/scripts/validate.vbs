' Asks a quiz service whether a user name and password are valid.
'
'   tshost run examples/scripts/validate.vbs URL USER PASSWORD
'
' for example
'
'   tshost run examples/scripts/validate.vbs https://quiz.example.edu/tessaly/service.php teacher secret
'
' Prints whether the service accepted the user, with its code and text.
' A failure to reach the service is not a script error: it shows as
' IsSuccess False, code -1 and the reason.
Set user = CreateObject("TessalyLib.TsUser")
Set response = user.Validate(WScript.Arguments(0), WScript.Arguments(1), WScript.Arguments(2))
WScript.Echo "Server:   ", user.ServerURL
WScript.Echo "User:     ", user.UserName
WScript.Echo "Valid:    ", response.IsSuccess
WScript.Echo "ErrorCode:", response.ErrorCode
WScript.Echo "ErrorText:", response.ErrorText
