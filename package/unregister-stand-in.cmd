@echo off
rem Removes the registration of the stand-in receiver component CalderSim.dll that
rem lies beside this script. Needs administrator rights, like registering it, and
rem asks for them when it lacks them.
rem With /q it ends without waiting for a key.
setlocal
rem Without administrator rights, ask for them once: the script starts again elevated.
net session >nul 2>&1
if not errorlevel 1 goto run
if /i "%~1"=="/q" goto run
powershell -NoProfile -Command "Start-Process -FilePath '%~f0' -Verb RunAs" >nul 2>&1 && exit /b 0
:run
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"
"%REGSVR%" /u /s "%~dp0CalderSim.dll"
set "RESULT=%ERRORLEVEL%"
if "%RESULT%"=="0" (
  echo The stand-in receiver component is no longer registered.
) else (
  echo Unregistering %~dp0CalderSim.dll failed, regsvr32 exit code %RESULT%.
  echo Run this script as administrator.
)
if /i not "%~1"=="/q" pause
exit /b %RESULT%
