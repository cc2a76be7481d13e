@echo off
rem Registers the stand-in receiver component CalderSim.dll that lies beside this
rem script, so that the plug-in can be tried without a receiver. Registering needs
rem administrator rights, which it asks for when it lacks them.
rem With /q it ends without waiting for a key.
setlocal
rem Without administrator rights, ask for them once: the script starts again elevated.
net session >nul 2>&1
if not errorlevel 1 goto run
if /i "%~1"=="/q" goto run
powershell -NoProfile -Command "Start-Process -FilePath '%~f0' -Verb RunAs" >nul 2>&1 && exit /b 0
:run
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
rem The component is 32-bit: on 64-bit Windows the 32-bit regsvr32 registers it.
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"
"%REGSVR%" /s "%~dp0CalderSim.dll"
set "RESULT=%ERRORLEVEL%"
if "%RESULT%"=="0" (
  echo The stand-in receiver component is registered: %~dp0CalderSim.dll
) else (
  echo Registering %~dp0CalderSim.dll failed, regsvr32 exit code %RESULT%.
  echo Run this script as administrator, and keep CalderSim.dll beside it.
)
if /i not "%~1"=="/q" pause
exit /b %RESULT%
