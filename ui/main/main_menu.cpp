// The main window's menus: the main menu under the drop button and the tray icon's menu, and
// the commands both run.
#include <QPointer>
#include <QWidget>

#include "config/log.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/popup_menu.h"
#include "ui/groups/dlg_generate_session.h"
#include "ui/main/main_wnd.h"
#include "ui/main/tray_icon.h"
#include "ui/prompts/dlg_about.h"
#include "ui/prompts/dlg_setting.h"
#include "ui/ui_messages.h"

namespace {

QString TextOf(MainCommand command) {
    switch (command) {
        case MainCommand::HideMain:
            return QStringLiteral("隐藏主窗体");
        case MainCommand::ShowMain:
            return QStringLiteral("显示主窗体");
        case MainCommand::TrayExit:
        case MainCommand::Exit:
            return QStringLiteral("退出");
        case MainCommand::StartChat:
            return QStringLiteral("发起聊天");
        case MainCommand::Feedback:
            return QStringLiteral("意见反馈");
        case MainCommand::Settings:
            return QStringLiteral("设置");
        case MainCommand::SwitchAccount:
            return QStringLiteral("切换账号");
        case MainCommand::About:
            return QStringLiteral("关于");
    }
    return QString();
}

std::vector<PopupItem> ItemsOf(const std::vector<MainCommand>& commands) {
    std::vector<PopupItem> items;
    for (MainCommand command : commands)
        items.push_back({static_cast<int>(command), TextOf(command), true});
    return items;
}

}  // namespace

void CMainWnd::ShowMainMenu(int x, int y) {
    const std::vector<MainCommand> commands = {MainCommand::StartChat,     MainCommand::Feedback,
                                               MainCommand::SwitchAccount, MainCommand::Settings,
                                               MainCommand::About,         MainCommand::Exit};
    const int chosen = TrackPopup(m_hWnd, ItemsOf(commands), x, y);
    if (chosen && IsWindow()) RunCommand(static_cast<MainCommand>(chosen));
}

std::vector<MainCommand> CMainWnd::TrayMenuCommands() const {
    std::vector<MainCommand> commands;
    if (IsWindowVisible() && !IsIconic()) {
        commands.push_back(MainCommand::HideMain);
    } else if (signedIn_) {
        commands.push_back(MainCommand::ShowMain);
    }
    commands.push_back(MainCommand::TrayExit);
    return commands;
}

void CMainWnd::ShowTrayMenu(int x, int y) {
    const int chosen = TrackPopup(m_hWnd, ItemsOf(TrayMenuCommands()), x, y);
    // Posted, as the desktop's menu would: the command runs after the menu is gone.
    if (chosen && IsWindow()) PostMessage(WM_COMMAND, static_cast<WPARAM>(chosen));
}

void CMainWnd::RunCommand(MainCommand command) {
    switch (command) {
        case MainCommand::HideMain:
            ShowWindow(SW_HIDE);
            break;
        case MainCommand::ShowMain:
            ShowMain();
            break;
        case MainCommand::TrayExit:
        case MainCommand::Exit:
            Quit();
            break;
        case MainCommand::StartChat:
            CDlgGenerateSession::Open(0);
            break;
        case MainCommand::Feedback:
            StartConversation(kFeedbackUserId);
            break;
        case MainCommand::SwitchAccount:
            PostMessage(UM_RETURN_TO_LOGIN, 0, 0);
            break;
        case MainCommand::Settings: {
            CDlgSetting settings(HasTray());
            settings.DoModal(m_hWnd);
            break;
        }
        case MainCommand::About: {
            CDlgAbout about;
            about.DoModal(m_hWnd);
            break;
        }
    }
}
