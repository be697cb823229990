@echo off
echo.
echo Created using Brevimo Version 1.00.000
echo Brevimo splits large files into pieces and puts them together again.
echo.
echo To get your own copy of Brevimo go to:
echo https://brevimo.example.org/
echo.
pause
echo Reassembling the split pieces...
if not exist "report.001" (echo "report.001" is missing. Put all pieces into this folder and start the batch file again.& goto failed)
if not exist "report.002" (echo "report.002" is missing. Put all pieces into this folder and start the batch file again.& goto failed)
if not exist "report.003" (echo "report.003" is missing. Put all pieces into this folder and start the batch file again.& goto failed)
(call )
copy/b "report.001" "report.zip"
if errorlevel 1 (echo "report.001" could not be joined to "report.zip".& goto failed)
copy/b "report.zip" + "report.002"
if errorlevel 1 (echo "report.002" could not be joined to "report.zip".& goto failed)
copy/b "report.zip" + "report.003"
if errorlevel 1 (echo "report.003" could not be joined to "report.zip".& goto failed)
echo.
echo All Done.
exit /b 0
:failed
echo "report.zip" was not rebuilt.
pause
exit /b 1
