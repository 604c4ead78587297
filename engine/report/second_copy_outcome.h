// How bringing the second folder up to date ended, as the record and the exit code tell it.
#pragma once
#include "engine/report/failure_reason.h"

enum class SecondCopyState {
    NotTried,  // the backup failed, or ended before it: the second folder is as the last try left it
    Off,       // no CopyDir
    UpToDate,  // every archive of ours that the backup folder keeps is there, tested
    Pending,   // the folder could not be reached or an archive not copied: `cause` says which
};

struct SecondCopyOutcome {
    SecondCopyState state = SecondCopyState::NotTried;
    FailureReason cause;  // a LogMessages key and its detail (the folder, an archive)
    int copied = 0;       // archives copied and tested by this try
};
