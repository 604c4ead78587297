// The restore's choice after the archive: everything, one folder in place, or a copy (the dialog window, controls 81 to 87).
#include "ui/restore_dialog.h"

#include "config/language_table.h"
#include "engine/backup/backup_job.h"
#include "engine/report/last_backup.h"

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 382;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;

std::wstring Text(const wchar_t* key) {
    return LookUpText(L"RestoreMsgs", key);
}

// Thousands grouped as the language groups its decimals: "1,234" beside "1.5", "1.234" beside "1,5".
std::wstring GroupedCount(std::int64_t count) {
    const std::wstring digits = std::to_wstring(count);
    const std::wstring separator = LookUpText(L"MainWindow", L"DecimalMark") == L"," ? L"." : L",";
    std::wstring grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

void BuildDialog(const std::vector<ArchiveFolder>& tree) {
    const int inner = kWidth - 2 * kMargin;
    CreateControl(kLabelRestoreTree, ControlKind::Label, kDialogPage, Box{kMargin, 10, inner, 18}, Text(L"TreeLabel"));
    CreateControl(kTreeRestore, ControlKind::Tree, kDialogPage, Box{kMargin, 30, inner, 220}, L"");
    CreateControl(kOptionEverything, ControlKind::Option, kDialogPage, Box{kMargin, 260, inner, 20}, Text(L"ChoiceAll"));
    CreateControl(kOptionOneFolder, ControlKind::Option, kDialogPage, Box{kMargin, 284, inner, 20}, Text(L"ChoiceFolder"));
    CreateControl(kOptionCopy, ControlKind::Option, kDialogPage, Box{kMargin, 308, inner, 20}, Text(L"ChoiceCopy"));
    const int buttonsY = kHeight - kMargin - kButtonHeight;
    CreateControl(kButtonRestoreChosen, ControlKind::Button, kDialogPage,
                  Box{kWidth - kMargin - 2 * kButtonWidth - 8, buttonsY, kButtonWidth, kButtonHeight},
                  LookUpText(L"MainWindow", L"ButtonRestore"));
    CreateControl(kButtonRestoreCancel, ControlKind::Button, kDialogPage,
                  Box{kWidth - kMargin - kButtonWidth, buttonsY, kButtonWidth, kButtonHeight}, Text(L"ButtonCancel"));
    SetTreeRows(kTreeRestore, TreeRowsOf(tree));
    SelectTreeRow(kTreeRestore, 0);
    SetControlCheck(kOptionEverything, true);
    FocusControl(kTreeRestore);
}

RestoreScope ReadChoice(const std::vector<ArchiveFolder>& tree) {
    RestoreScope scope;
    const int row = ReadTreeSelection(kTreeRestore);
    if (row > 0 && row < static_cast<int>(tree.size())) scope.folder = tree[row].path;
    if (ReadControlCheck(kOptionCopy)) {
        scope.reach = RestoreReach::Copy;
    } else if (ReadControlCheck(kOptionOneFolder) && !scope.folder.empty()) {
        scope.reach = RestoreReach::OneFolder;
    } else {
        scope.reach = RestoreReach::Everything;
        scope.folder.clear();
    }
    return scope;
}

}  // namespace

std::wstring TreeRowText(const ArchiveFolder& folder) {
    const std::wstring files =
        folder.files == 1 ? Text(L"FileCountOne") : FillPlaceholder(Text(L"FileCount"), GroupedCount(folder.files));
    return folder.name + L" (" + files + L", " +
           FormatArchiveSize(folder.bytes) + L")";
}

std::vector<TreeRow> TreeRowsOf(const std::vector<ArchiveFolder>& tree) {
    std::vector<TreeRow> rows;
    rows.reserve(tree.size());
    for (const ArchiveFolder& folder : tree) rows.push_back(TreeRow{folder.parent, TreeRowText(folder)});
    return rows;
}

bool AskRestoreScope(const std::vector<ArchiveFolder>& tree, RestoreScope& scope) {
    if (!OpenDialogWindow(Text(L"DialogTitle"), kWidth, kHeight, kButtonRestoreChosen, kButtonRestoreCancel))
        return false;
    BuildDialog(tree);
    bool chosen = false;
    for (;;) {
        const WindowEvent event = WaitForWindowEvent(kWaitForever);
        if (event.kind != kEventControl) continue;  // the main window waits meanwhile
        if (event.number == kButtonRestoreCancel) break;
        if (event.number == kButtonRestoreChosen) {
            scope = ReadChoice(tree);
            chosen = true;
            break;
        }
    }
    CloseDialogWindow();
    return chosen;
}
