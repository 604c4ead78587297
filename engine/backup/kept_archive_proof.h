// After the night's archive: the record beside the archives notes it, and a success proves one older archive again.
#pragma once
#include "engine/backup/backup_job.h"

// After the outcome's log line and the retention. A success, or an archive
// kept without the files 7-Zip could not read, is noted in the proof record
// (tested now when it was, lacking files), and so is a differential's full
// tested before it was built on. A success then tests (7z t, with the
// password in force) the kept archive ChooseArchiveToProve names: at most
// one extra test a night. An older archive that fails is logged, never
// deleted, and noted in `result` with the differentials that need it.
void ProveKeptArchives(const BackupRequest& request, BackupResult& result, const JobWindow& window = {});
