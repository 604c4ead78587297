// The backup folder's lock taken from the window: the status bar says why it waits.
#pragma once
#include <string>

#include "engine/guard/folder_lock.h"

// Waits at most kWindowLockWaitMs while another backup or restore holds the
// folder; the window keeps painting and input is dropped meanwhile.
FolderLock LockFolderFromWindow(const std::wstring& folder);
