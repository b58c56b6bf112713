@echo off
rem Takes back what install.cmd registered for the user who runs this.
setlocal
set "classes=HKCU\Software\Classes"
set "progid=KlvLoader.ParameterFile"
rem .klv is left alone when another program has taken it over since.
for /f "tokens=2,*" %%a in ('reg query "%classes%\.klv" /ve 2^>nul ^| find "REG_SZ"') do (
  if /i "%%b"=="%progid%" reg delete "%classes%\.klv" /f >nul
)
reg delete "%classes%\%progid%" /f >nul 2>nul
echo .klv files are no longer registered for KLV Loader.
exit /b 0
