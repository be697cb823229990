@echo off
echo.
echo Created using Brevimo Version 1.00.000
echo Brevimo splits large files into pieces and puts them together again.
echo.
echo To get your own copy of Brevimo go to:
echo https://brevimo.example.org/
echo.
pause
echo Re-Assembling Split Pieces...
copy/b "report.001" "report.zip"
copy/b "report.zip" + "report.002"
copy/b "report.zip" + "report.003"
echo.
echo All Done.
