// TEMPORARY: stands in for the interactive backup and the restore until they
// are written; delete this file when engine/interactive_backup.cpp and
// engine/restore.cpp exist.
#include "engine/interactive_backup.h"
#include "engine/restore.h"

void RunInteractiveBackup() {}
void RunRestore() {}
