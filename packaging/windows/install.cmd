@echo off
rem Opens KLV Loader parameter files (*.klv) with bin\klv-loader.exe for the
rem user who runs this: registered under HKCU\Software\Classes, so no
rem administrator rights are needed. uninstall.cmd takes it back.
setlocal
set "program=%~dp0bin\klv-loader.exe"
if not exist "%program%" (
  echo %program% is not there: run install.cmd from the folder the zip was unpacked to.
  exit /b 1
)
set "classes=HKCU\Software\Classes"
set "progid=KlvLoader.ParameterFile"
reg add "%classes%\.klv" /ve /d "%progid%" /f >nul
if errorlevel 1 goto failed
reg add "%classes%\%progid%" /ve /d "KLV Loader parameter file" /f >nul
if errorlevel 1 goto failed
reg add "%classes%\%progid%\DefaultIcon" /ve /d "\"%program%\",0" /f >nul
if errorlevel 1 goto failed
reg add "%classes%\%progid%\shell\open\command" /ve /d "\"%program%\" \"%%1\"" /f >nul
if errorlevel 1 goto failed
echo .klv files now open with %program%
exit /b 0
:failed
echo The registration failed: reg said why above.
exit /b 1
