// The restore's choice after the archive: everything, one folder in place, or a copy (the dialog window, controls 81 to 87).
#pragma once
#include <string>
#include <vector>

#include "engine/restore/archive_tree.h"
#include "engine/restore/restore_scope.h"
#include "platform/window.h"

constexpr int kLabelRestoreTree = 81;
constexpr int kTreeRestore = 82;
constexpr int kOptionEverything = 83;
constexpr int kOptionOneFolder = 84;
constexpr int kOptionCopy = 85;
constexpr int kButtonRestoreChosen = 86;
constexpr int kButtonRestoreCancel = 87;

// "Mail (1,234 files, 5.6 MB)" in the user's language and number format.
std::wstring TreeRowText(const ArchiveFolder& folder);
// The tree's rows in `tree`'s order; row i is folder i.
std::vector<TreeRow> TreeRowsOf(const std::vector<ArchiveFolder>& tree);
// Shows the dialog until Restore or Cancel; false on cancel. A Copy's folder
// is asked afterwards, by the caller. One folder with the top selected is Everything.
bool AskRestoreScope(const std::vector<ArchiveFolder>& tree, RestoreScope& scope);
