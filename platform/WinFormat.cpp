// Windows-dialect printf and FormatMessage.
