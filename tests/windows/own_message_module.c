/* A host's own PGMS\SOLVAKE.DLL, for the Windows host checks: keeps the three addresses it was
   called with and answers 4242, a value no ODBC call returns, so the host can tell its own
   message module's answer in the return code. SOLVAKE_SEEN hands the addresses to the host. */
static void* seen[3];
static int calls;

int SOLVAKE(void* statement_field, void* environment_field, void* connection_field) {
  seen[0] = statement_field;
  seen[1] = environment_field;
  seen[2] = connection_field;
  ++calls;
  return 4242;
}

/* Copies the addresses of the last call into `fields`; returns the calls so far. */
int SOLVAKE_SEEN(void** fields) {
  int i;
  for (i = 0; i < 3; ++i) fields[i] = seen[i];
  return calls;
}
