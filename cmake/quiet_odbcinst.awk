# Prints an odbcinst.ini with the same drivers and psqlODBC's logging off: CommLog=0 and Debug=0
# at the head of every driver's section, whatever the section said; the driver manager's own
# [ODBC] section (trace, pooling), comments and blank lines are left out.
# Usage: awk -f quiet_odbcinst.awk /etc/odbcinst.ini
/^[ \t]*([;#]|$)/ { next }
/^[ \t]*\[.*\][ \t]*$/ {
  section = $0
  gsub(/^[ \t]*\[|\][ \t]*$/, "", section)
  driver_manager = toupper(section) == "ODBC"
  if (driver_manager) next
  if (printed) print ""
  printf "[%s]\nCommLog=0\nDebug=0\n", section
  printed = 1
  next
}
driver_manager { next }
{
  key = $0
  sub(/=.*/, "", key)
  gsub(/[ \t]/, "", key)
  key = toupper(key)
  if (key != "COMMLOG" && key != "DEBUG") print
}
