/* Stands for an ODBC32.DLL that someone who can write to a host program's folder put there. It
   has none of the driver manager's functions: loaded, it would be found out by its file name. */
#include <windows.h>

__declspec(dllexport) int planted_driver_manager(void) {
  return 0;
}
