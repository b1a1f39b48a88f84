# Qt Test executables of the calculator's dialogs (included from tests/Wechsler/CMakeLists.txt).
