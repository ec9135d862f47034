#include "ui/groups/group_failure.h"

#include "ui/main/main_wnd.h"
#include "ui/prompts/message_box.h"

void ShowGroupFailure(HWND owner, const ErrorRecord& error, const QString& what,
                      const QString& note) {
    if (error.error_code > 0) {
        ErrorRecord shown = error;
        shown.error_msg = (what + QStringLiteral("：")).toStdString() + error.error_msg;
        CMainWnd::Instance().ShowApiError(owner, shown);
    } else {
        ShowMessageBox(owner, note.toStdString(), CMainWnd::kErrorCaption, MB_OK);
    }
}
